#include "FileListBox.h"

#include <QStyledItemDelegate>

namespace {

// Rows of the list's own fixed height, whatever the font would ask for.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    FixedHeightDelegate(const int& height, QObject* parent)
        : QStyledItemDelegate(parent), FHeight(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), FHeight};
    }

private:
    const int& FHeight;
};

} // namespace

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setUniformItemSizes(true);
    setItemDelegate(new FixedHeightDelegate(FItemHeight, this));
    connect(this, &QListWidget::currentRowChanged, this, [this] {
        if (OnClick) {
            OnClick(this);
        }
    });
}

void TFileListBox::SetItemHeight(int height) {
    FItemHeight = height;
    doItemsLayout();
}
