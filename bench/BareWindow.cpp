// The floors of start-up: a bare Qt Widgets window of the main window's size,
// and with "text" as its argument the same window showing one line of
// Japanese in the design font, so that Qt's font set-up (fontconfig reading
// its configuration, the font file opened) is paid as the real window pays it.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    const bool withText = argc > 1 && std::strcmp(argv[1], "text") == 0;
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QWidget window;
    window.setWindowTitle("bare");
    window.move(192, 107);
    window.resize(505, 344);
    if (withText) {
        QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"), {"IPAPGothic"});
        QFont font(QString::fromUtf8("ＭＳ Ｐゴシック"));
        font.setPixelSize(12);
        auto* label = new QLabel(QString::fromUtf8("←整数値"), &window);
        label->setFont(font);
        label->setGeometry(84, 17, 48, 12);
        label->sizeHint(); // lays the text out now, as the window's edits do
    }
    window.show();
    return application.exec();
}
