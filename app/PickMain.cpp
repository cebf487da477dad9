// irochi-pick: picks a colour off the screen and prints it, for a key of the
// desktop's own to run.

#include "Application.h"
#include "Exceptions.h"
#include "PickOptions.h"
#include "ScreenCapture.h"
#include "ScreenPicker.h"

#include <QClipboard>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

enum TPickStatus { Picked = 0, Cancelled = 1, Failed = 2 };

// How often the background copy looks whether it still owns the clipboard:
// a Wayland client that has no window is not always told when it lost it.
constexpr int OwnerCheckMs = 1000;

struct TOutcome {
    TPickStatus Status = Failed;
    std::string Text; // the colour's text, or why the pick failed
};

// Captures the screen and lets the user pick; with copy, the text is put on
// the clipboard while the overlay still has the keyboard.
TOutcome PickFromScreen(const TPickOptions& options) {
    TOutcome outcome;
    try {
        QWidget asking; // the root window is found through a window of ours
        TScreenPicker::MakeWindows();
        TScreenPicker picker(FreezeScreen(asking, TScreenPicker::TouchWindows), 1);
        QObject::connect(&picker, &TScreenPicker::Finished, [&] {
            if (const auto colour = picker.Result()) {
                outcome = {Picked, WriteNotation(options.Notation, *colour).Text};
                if (options.Copy) {
                    QGuiApplication::clipboard()->setText(QString::fromStdString(outcome.Text));
                }
            } else {
                outcome = {Cancelled, {}};
            }
        });
        picker.Exec();
    } catch (const EAbort&) {
        outcome = {Cancelled, {}};
    } catch (const Exception& e) {
        outcome = {Failed, "irochi-pick: " + e.Message()};
    }
    return outcome;
}

int Report(const TOutcome& outcome) {
    if (outcome.Status == Picked) {
        std::cout << outcome.Text << std::endl;
    } else if (outcome.Status == Failed) {
        std::cerr << outcome.Text << std::endl;
    }
    return outcome.Status;
}

int RunPick(char* program, const TPickOptions& options) {
    int qtArgc = 1;
    char* qtArgv[] = {program, nullptr};
    TApplication application(qtArgc, qtArgv);
    return Report(PickFromScreen(options));
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return;
        }
        done += std::size_t(n);
    }
}

void ToNowhere(int fd) {
    const int nowhere = open("/dev/null", O_RDWR);
    if (nowhere >= 0) {
        dup2(nowhere, fd);
        close(nowhere);
    }
}

// The child that picks and then serves the clipboard: it tells the parent
// the outcome through the pipe, lets go of the terminal and stays until
// another program takes the clipboard.
int ServeClipboard(int report, char* program, const TPickOptions& options) {
    setsid();
    ToNowhere(STDIN_FILENO);
    ToNowhere(STDOUT_FILENO); // a shell reading our output must not wait for us
    int qtArgc = 1;
    char* qtArgv[] = {program, nullptr};
    TApplication application(qtArgc, qtArgv);
    const TOutcome outcome = PickFromScreen(options);
    WriteAll(report, std::string(1, char('0' + outcome.Status)) + outcome.Text);
    close(report);
    ToNowhere(STDERR_FILENO);
    if (outcome.Status != Picked) {
        return outcome.Status;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto quitWhenTaken = [clipboard] {
        if (!clipboard->ownsClipboard()) {
            QCoreApplication::quit();
        }
    };
    QObject::connect(clipboard, &QClipboard::changed, quitWhenTaken);
    QTimer owner;
    QObject::connect(&owner, &QTimer::timeout, quitWhenTaken);
    owner.start(OwnerCheckMs);
    application.setQuitOnLastWindowClosed(false);
    return application.exec();
}

// The parent prints what the child reports and ends, as the desktop's
// clipboard tools do; the child goes on in the background. The fork comes
// before anything of Qt exists in this process.
int PickIntoClipboard(char* program, const TPickOptions& options) {
    int channel[2];
    if (pipe(channel) != 0) {
        std::perror("irochi-pick");
        return Failed;
    }
    const pid_t child = fork();
    if (child < 0) {
        std::perror("irochi-pick");
        return Failed;
    }
    if (child == 0) {
        close(channel[0]);
        _exit(ServeClipboard(channel[1], program, options));
    }
    close(channel[1]);
    std::string message;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            message.append(buffer, std::size_t(n));
        } else if (errno != EINTR) {
            break;
        }
    }
    close(channel[0]);
    if (message.empty() || message[0] < '0' || message[0] > '2') {
        std::cerr << "irochi-pick: the pick ended without an answer" << std::endl;
        return Failed;
    }
    return Report({TPickStatus(message[0] - '0'), message.substr(1)});
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ReadPickOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "irochi-pick: " << error << std::endl;
        return Failed;
    }
    if (options->Help) {
        std::cout << PickUsage();
        return 0;
    }
    return options->Copy ? PickIntoClipboard(argv[0], *options) : RunPick(argv[0], *options);
}
