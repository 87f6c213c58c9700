// A window that accepts dropped files, as a file manager does, and prints their paths; it says
// "over" once a drag over it has been accepted, so that a test lets go only then.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>

#include <cstdio>

class TDropTarget : public QWidget {
public:
    TDropTarget() {
        setWindowTitle(QStringLiteral("Sarvo drop target"));
        setAcceptDrops(true);
        resize(300, 300);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls() && (event->possibleActions() & Qt::CopyAction)) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
        }
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        if (FOver) return;
        FOver = true;
        std::printf("over\n");
        std::fflush(stdout);
    }
    void dropEvent(QDropEvent* event) override {
        for (const QUrl& url : event->mimeData()->urls())
            std::printf("dropped %s\n", qPrintable(url.toLocalFile()));
        std::printf("actions %d\n", int(event->possibleActions()));
        std::fflush(stdout);
        event->setDropAction(Qt::CopyAction);
        event->accept();
        QTimer::singleShot(300, qApp, &QApplication::quit); // after the drop has been answered
    }

private:
    bool FOver = false;
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TDropTarget target;
    target.show();
    return QApplication::exec();
}
