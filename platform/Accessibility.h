#pragma once

#include <QAccessible>
#include <string>

class QWidget;

// What assistive technology, a screen reader through AT-SPI, is told of the
// window's own kinds of control. Their names are the window's to give
// (SetSpokenName); the others give the roles Qt cannot know.

// The name a screen reader speaks for a control, from UTF-8 text.
void SetSpokenName(QWidget& control, const std::string& name);

// Keeps a control out of what assistive technology is shown, its focus
// included: the focus sink that nothing reads.
void HideFromAssistiveTechnology(QWidget& control);

// Adds a factory of accessible interfaces, once however often it is asked.
void InstallAccessibleFactory(QAccessible::InterfaceFactory factory);

// The picture control is an image, a panel a group of controls, a window
// holding a hidden control a window without it. Installed once; TApplication
// does it.
void InstallAccessibility();
