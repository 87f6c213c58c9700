#pragma once
// Counts the paint events of a widget and of everything in it, and gathers the area they
// covered, in the widget's own coordinates, and which widgets painted.

#include <QApplication>
#include <QPaintEvent>
#include <QRegion>
#include <QSet>
#include <QWidget>

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& root) : root_(root) { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    PaintCounter(const PaintCounter&) = delete;
    PaintCounter& operator=(const PaintCounter&) = delete;

    int Paints() const { return paints_; }
    const QRegion& Painted() const { return painted_; }
    const QSet<QWidget*>& Painters() const { return painters_; }
    void Reset() {
        paints_ = 0;
        painted_ = QRegion();
        painters_.clear();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget && (widget == &root_ || root_.isAncestorOf(widget))) {
            ++paints_;
            painters_.insert(widget);
            painted_ +=
                static_cast<QPaintEvent*>(event)->region().translated(widget->mapTo(&root_, QPoint()));
        }
        return false;
    }

private:
    QWidget& root_;
    int paints_ = 0;
    QRegion painted_;
    QSet<QWidget*> painters_;
};
