// The anchor of the first-window benchmark: a bare Qt window program, shown at once.

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(760, 440);
    window.show();
    return QApplication::exec();
}
