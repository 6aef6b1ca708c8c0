#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Stillmar");
    window.resize(507, 474);
    window.show();
    return app.exec();
}
