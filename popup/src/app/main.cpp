// stashwell-popup: the contextual menu of the plug-ins at the mouse pointer, over whatever
// application has the focus on the X11 desktop.
#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    return 0;
}
