// irochi: tells the numeric value of a colour.

#include "Application.h"
#include "Desktop.h"
#include "JPEGDefaults.h"
#include "JPEGImage.h"
#include "PNGImage.h"
#include "QtImage.h"
#include "SystemClipboard.h"
#include "Unit1.h"

int main(int, char** argv) {
    // The program takes no arguments: Qt is handed the program's name only,
    // so options such as -reverse or -stylesheet change nothing.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    TApplication application(qtArgc, qtArgv);
    InitJPEGDefaults(TApplication::ScreenDepth());
    RegisterJPEGFormat();
    RegisterQtImageFormats();
    RegisterPNGFormat();

    int result = 0;
    {
        TSystemClipboard clipboard;
        TDesktop desktop;
        TForm1 Form1(clipboard, desktop);
        Form1.show();
        result = application.exec();
    }
    UnregisterPNGFormat();
    UnregisterQtImageFormats();
    UnregisterJPEGFormat();
    return result;
}
