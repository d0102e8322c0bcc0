#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scrivane"));
    QApplication::setOrganizationName(QStringLiteral("Scrivane"));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Scrivane"));
    window.resize(1024, 720);
    window.show();
    return app.exec();
}
