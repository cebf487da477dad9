#include "Application.h"

#include "Accessibility.h"
#include "Exceptions.h"

#include <QFileInfo>
#include <QFont>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QScreen>
#include <QStyleFactory>
#include <QWidget>
#include <new>

namespace {

TApplication::ExceptionReporter& Reporter() {
    static TApplication::ExceptionReporter reporter;
    return reporter;
}

void ShowMessageBox(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void ReleaseMouseGrab() {
    if (QWidget* grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
    }
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Names the user's configuration folder (~/.config/irochi), whatever the
    // executable is called.
    setApplicationName("irochi");
    // Ties the window to its launcher and icon: the Wayland app id.
    setDesktopFileName(IROCHI_APP_ID);
    InstallQtTranslation();
    installEventFilter(&FRatioKeeper);
    InstallAccessibility();
    InstallFontSubstitutions();
    // The window is a fixed design of classic three-dimensional controls.
    if (QStyle* style = QStyleFactory::create("Windows")) {
        setStyle(style);
    }
}

// The texts Qt draws itself (an edit box's context menu, a message box's
// buttons) in Japanese like the rest of the window, whatever the locale. A
// machine without Qt's translations keeps them in English.
void TApplication::InstallQtTranslation() {
    if (FQtTranslator.load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(&FQtTranslator);
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

void TApplication::Guard(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

void TApplication::HandleException(std::exception_ptr failure) noexcept {
    ReleaseMouseGrab();
    try {
        std::rethrow_exception(failure);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        ShowException(e.Message());
    } catch (const std::bad_alloc&) {
        ShowException("メモリが不足しています");
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("予期しないエラーが発生しました");
    }
}

void TApplication::ShowException(const std::string& message) {
    const std::string text = ExceptionText(message);
    try {
        if (Reporter()) {
            Reporter()(Title(), text);
        } else {
            ShowMessageBox(Title(), text);
        }
    } catch (...) {
        // Nothing more can be done for a report that itself fails.
    }
}

std::string TApplication::ExceptionText(const std::string& message) {
    if (message.empty()) {
        return message;
    }
    // Step back over UTF-8 continuation bytes to the last character's first byte.
    std::size_t last = message.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(message[last]) & 0xC0) == 0x80) {
        --last;
    }
    return static_cast<unsigned char>(message[last]) > 0x2E ? message + "." : message;
}

std::string TApplication::TitleFromPath(const std::string& executablePath) {
    QString name = QFileInfo(QString::fromStdString(executablePath)).fileName();
    name = name.left(name.indexOf('.') < 0 ? name.size() : name.indexOf('.'));
    if (name.size() > 1) {
        name = name.left(1) + name.mid(1).toLower();
    }
    return name.toStdString();
}

std::string TApplication::Title() {
    return TitleFromPath(QCoreApplication::applicationFilePath().toStdString());
}

void TApplication::SetExceptionReporter(ExceptionReporter reporter) {
    Reporter() = std::move(reporter);
}

int TApplication::ScreenDepth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 24;
}

void TApplication::InstallFontSubstitutions() {
    const QString design = QString::fromUtf8("ＭＳ Ｐゴシック");
    QFont::removeSubstitutions(design);
    QFont::insertSubstitutions(design, {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP",
                                        "Droid Sans Fallback", "VL PGothic"});
}
