// irochi: tells the numeric value of a colour.

#include "Application.h"
#include "JPEGDefaults.h"
#include "JPEGImage.h"
#include "SystemClipboard.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    InitJPEGDefaults(TApplication::ScreenDepth());
    RegisterJPEGFormat();

    int result = 0;
    {
        TSystemClipboard clipboard;
        TForm1 Form1(clipboard);
        Form1.show();
        result = application.exec();
    }
    UnregisterJPEGFormat();
    return result;
}
