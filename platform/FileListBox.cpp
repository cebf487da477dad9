#include "FileListBox.h"

#include "DisplayName.h"
#include "Exceptions.h"
#include "FileSystem.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QStyledItemDelegate>

// The names, held as the system's bytes and turned into text only for the
// rows on screen, so that a folder of thousands of files lists at once.
class TFileNameModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void SetNames(std::vector<std::string> names) {
        beginResetModel();
        Names = std::move(names);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(Names.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) {
            return {};
        }
        return QString::fromStdString(DisplayName(Names[std::size_t(index.row())]));
    }

    std::vector<std::string> Names;
};

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

bool SameFolderIgnoringCase(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

} // namespace

TFileListBox::TFileListBox(QWidget* parent)
    : QListView(parent), FModel(new TFileNameModel(this)), FFit(*this, [this]() -> TFitRequest {
          // Only the height is at stake: a name too long for its row is elided.
          return {{QString::fromUtf8("ÅÉÄ写真_gjpqy()")},
                  QRectF(-1e6, 0, 2e6, FItemHeight),
                  Qt::AlignHCenter | Qt::AlignVCenter};
      }) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new FixedHeightDelegate(FItemHeight, this));
    setModel(FModel);
    // A mouse press moves the current row before it selects it: the click is
    // reported once the selection has followed.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (ItemIndex() >= 0 && OnClick) {
            OnClick(this);
        }
    });
    // Pressing and releasing the selected name changes no selection, yet it
    // is a click on a file name like any other.
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        const bool again = index.row() == FPressedSelectedRow && index.row() == ItemIndex();
        FPressedSelectedRow = -1;
        if (again && OnClick) {
            OnClick(this);
        }
    });
}

// A press below the last name, or Ctrl with the selected one, would clear
// the selection: the list keeps it, as a single-selection list box does.
QItemSelectionModel::SelectionFlags TFileListBox::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
    if (!index.isValid()) {
        return QItemSelectionModel::NoUpdate;
    }
    const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    if (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)) {
        return QItemSelectionModel::ClearAndSelect;
    }
    return command;
}

void TFileListBox::mousePressEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    FPressedSelectedRow = at.isValid() && at.row() == ItemIndex() ? at.row() : -1;
    QListView::mousePressEvent(event);
}

// With no name selected, the focus row is only a frame: the first key that
// moves selects the first name rather than the one after the frame.
void TFileListBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (ItemIndex() < 0 && Count() > 0) {
            SetItemIndex(0);
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QListView::keyPressEvent(event);
}

void TFileListBox::SetMask(const std::string& mask) {
    if (mask != FMask) {
        FMask = mask;
        if (!FDirectory.empty()) {
            Update();
        }
    }
}

void TFileListBox::SetDirectory(const std::string& folder) {
    if (!FDirectory.empty() && SameFolderIgnoringCase(folder, FDirectory)) {
        return;
    }
    FDirectory = EnterFolder(folder);
    Update();
}

void TFileListBox::Update() {
    std::vector<std::string> names;
    try {
        names = ListMatchingFiles(FDirectory, SplitMask(FMask));
    } catch (const Exception&) {
        FModel->SetNames({}); // a folder that cannot be read leaves an empty list
        throw;
    }
    FModel->SetNames(std::move(names));
}

int TFileListBox::Count() const {
    return static_cast<int>(FModel->Names.size());
}

std::string TFileListBox::Item(int index) const {
    return FModel->Names.at(std::size_t(index));
}

int TFileListBox::ItemIndex() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TFileListBox::SetItemIndex(int index) {
    if (index < 0 || index >= Count()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(FModel->index(index), QItemSelectionModel::ClearAndSelect);
}

std::string TFileListBox::FileName() const {
    const int index = ItemIndex();
    if (index < 0) {
        return {};
    }
    const bool endsInSlash = !FDirectory.empty() && FDirectory.back() == '/';
    return FDirectory + (endsInSlash ? "" : "/") + Item(index);
}

void TFileListBox::SetItemHeight(int height) {
    FItemHeight = height;
    FFit.Refit();
    doItemsLayout();
}

void TFileListBox::paintEvent(QPaintEvent* event) {
    FFit.BeforePaint();
    QListView::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    QPainter painter(viewport());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    const QModelIndex current = currentIndex();
    option.rect = current.isValid() ? visualRect(current) : viewport()->rect();
    const bool selected = current.isValid() && selectionModel()->isSelected(current);
    option.backgroundColor = palette().color(selected ? QPalette::Highlight : QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

// The focus frame comes and goes with the focus, current name or none.
void TFileListBox::focusInEvent(QFocusEvent* event) {
    QListView::focusInEvent(event);
    viewport()->update();
}

void TFileListBox::focusOutEvent(QFocusEvent* event) {
    QListView::focusOutEvent(event);
    viewport()->update();
}
