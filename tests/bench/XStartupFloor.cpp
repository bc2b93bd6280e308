// The floor of XStartupBench: what Qt itself costs to start a Widgets program and map its main
// window, an empty one shown maximized as the program shows its own, on the same Qt and the same
// platform plugin. It runs until its window is closed.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.showMaximized();
    return app.exec();
}
