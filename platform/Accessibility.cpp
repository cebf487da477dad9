#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace {

const char* const HiddenProperty = "irochiHiddenFromAssistiveTechnology";

bool Hidden(const QObject* object) {
    return object->property(HiddenProperty).toBool();
}

// A control that nothing shows to assistive technology. Qt reports no event
// of an interface that is not valid, the focus moving to it included; should
// anything ask, it is invisible, with no children, named by nothing.
class THiddenAccessible : public QAccessibleWidget {
public:
    explicit THiddenAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
    bool isValid() const override { return false; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = true;
        state.offscreen = true;
        return state;
    }
    QString text(QAccessible::Text) const override { return {}; }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

// A window whose hidden controls are left out of its children.
class TWindowAccessible : public QAccessibleWidget {
public:
    explicit TWindowAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Window) {}
    int childCount() const override { return int(Children().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = Children();
        if (index < 0 || index >= children.size()) {
            return nullptr;
        }
        return QAccessible::queryAccessibleInterface(children[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? int(Children().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }

private:
    QList<QWidget*> Children() const {
        QList<QWidget*> shown;
        for (QObject* object : widget()->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !Hidden(child)) {
                shown.append(child);
            }
        }
        return shown;
    }
};

bool HoldsHiddenControl(const QWidget& widget) {
    for (const QObject* child : widget.children()) {
        if (Hidden(child)) {
            return true;
        }
    }
    return false;
}

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) {
        return nullptr;
    }
    if (Hidden(widget)) {
        return new THiddenAccessible(widget);
    }
    if (className == QLatin1String("TImage")) {
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    }
    if (className == QLatin1String("TPanel")) {
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    }
    if (widget->isWindow() && HoldsHiddenControl(*widget)) {
        return new TWindowAccessible(widget);
    }
    return nullptr;
}

} // namespace

void SetSpokenName(QWidget& control, const std::string& name) {
    control.setAccessibleName(QString::fromStdString(name));
}

void HideFromAssistiveTechnology(QWidget& control) {
    control.setProperty(HiddenProperty, true);
}

void InstallAccessibleFactory(QAccessible::InterfaceFactory factory) {
    static std::vector<QAccessible::InterfaceFactory> installed;
    if (std::find(installed.begin(), installed.end(), factory) == installed.end()) {
        installed.push_back(factory);
        QAccessible::installFactory(factory);
    }
}

void InstallAccessibility() {
    InstallAccessibleFactory(Factory);
}
