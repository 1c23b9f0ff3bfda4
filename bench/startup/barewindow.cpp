// The anchor: a bare QMainWindow of the main window's size, reporting its first exposure.
#include <QApplication>
#include <QMainWindow>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace {
class ExposeProbe : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            std::printf("exposed\n");
            std::fflush(stdout);
            ::_exit(0);
        }
        return false;
    }
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1148, 570);
    ExposeProbe probe;
    window.winId();
    window.windowHandle()->installEventFilter(&probe);
    window.show();
    return app.exec();
}
