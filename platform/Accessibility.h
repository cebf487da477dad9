#pragma once

class QWidget;

// What assistive technology, a screen reader through AT-SPI, is told of the
// window's own kinds of control. Their names are the window's to give
// (QWidget::setAccessibleName); these give the roles Qt cannot know.

// Keeps a control out of what assistive technology is shown, its focus
// included: the focus sink that nothing reads.
void HideFromAssistiveTechnology(QWidget& control);

// The picture control is an image, a panel a group of controls, a window
// holding a hidden control a window without it. Installed once; TApplication
// does it.
void InstallAccessibility();
