#pragma once

#include "WindowRatio.h"
#include <QApplication>
#include <QTranslator>
#include <functional>
#include <string>

// The application object: sets up the look (fonts, style) before the first
// window exists, and is the error frame every event handler runs through.
class TApplication : public QApplication {
public:
    using ExceptionReporter =
        std::function<void(const std::string& title, const std::string& text)>;

    TApplication(int& argc, char** argv);

    // The last line of defence: an exception escaping any event is reported,
    // never passed on into Qt.
    bool notify(QObject* receiver, QEvent* event) override;

    // Runs one event handler. An EAbort is dropped; any other failure releases
    // a mouse grab and is reported in a modal message box; the program goes on.
    static void Guard(const std::function<void()>& handler) noexcept;

    // The executable's file name cut at its first ".", every character after
    // the first lower-cased.
    static std::string Title();
    static std::string TitleFromPath(const std::string& executablePath);
    // A message text with "." appended when it is not empty and the first
    // byte of its last character is above 0x2E.
    static std::string ExceptionText(const std::string& message);

    // Where reports go: a modal critical message box unless tests replace it.
    static void SetExceptionReporter(ExceptionReporter reporter);

    // The colour depth of the whole screen, in bits per pixel.
    static int ScreenDepth();

    // Maps the design font to fonts this machine has. Call before the first
    // widget exists; repeating it does no harm.
    static void InstallFontSubstitutions();

private:
    static void HandleException(std::exception_ptr failure) noexcept;
    void InstallQtTranslation();
    static void ShowException(const std::string& message);

    QTranslator FQtTranslator;
    TWindowRatioKeeper FRatioKeeper;
};
