#pragma once

#include "Events.h"
#include "FontFit.h"

#include <QListView>
#include <string>
#include <vector>

class TFileNameModel;

// The file names of one folder that match a mask such as
// "*.bmp;*.jpg;*.jpeg", one selectable name a row, in rows of a fixed height,
// with a flat single-line border. A change of the selection, by mouse or
// keyboard, is reported as a click, and so is a click on the name already
// selected. Once a name is selected the user cannot clear the selection:
// only reading the entries anew leaves none selected. With the keyboard focus
// it frames the current name, or its whole area when it has none.
class TFileListBox : public QListView {
    Q_OBJECT
public:
    explicit TFileListBox(QWidget* parent);

    std::string Mask() const { return FMask; }
    // A different mask reads the entries anew; an equal one changes nothing.
    void SetMask(const std::string& mask);
    // The folder as the system reported it when it was entered.
    std::string Directory() const { return FDirectory; }
    // Enters a folder whose path differs from the current one (letter case
    // ignored): it becomes the process's current folder and the entries are
    // read anew. Fails with EInOutError when it cannot be entered or read.
    void SetDirectory(const std::string& folder);
    // Reads the entries of the current folder again; none is selected after.
    void Update();

    int Count() const;
    std::string Item(int index) const;
    // The selected row, or -1.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The folder, a "/" unless the folder ends in one, and the selected name;
    // empty when nothing is selected.
    std::string FileName() const;

    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int height);

    TNotifyEvent OnClick;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    TFileNameModel* FModel;
    std::string FMask = "*.*";
    std::string FDirectory;
    int FItemHeight = 12;
    // Any name may hold accented capitals, Japanese and descenders at once:
    // the rows' font is the one whose ink fits a row for all of them.
    TFontFit FFit;
    // The row pressed while it was already the selected one, or -1.
    int FPressedSelectedRow = -1;
};
