#include "YTrackBarAccessible.h"

#include "Accessibility.h"
#include "YTrackBar.h"

TYTrackBarAccessible::TYTrackBarAccessible(TYTrackBar* slider)
    : QAccessibleWidget(slider, QAccessible::Slider) {}

const TYTrackBar& TYTrackBarAccessible::Slider() const {
    return *static_cast<const TYTrackBar*>(object());
}

void* TYTrackBarAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString TYTrackBarAccessible::text(QAccessible::Text text) const {
    if (text == QAccessible::Value) {
        return QString::number(Slider().Position());
    }
    return QAccessibleWidget::text(text);
}

QVariant TYTrackBarAccessible::currentValue() const {
    return Slider().Position();
}

QVariant TYTrackBarAccessible::maximumValue() const {
    return Slider().Max();
}

QVariant TYTrackBarAccessible::minimumValue() const {
    return Slider().Min();
}

namespace {

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TYTrackBar")) {
        return new TYTrackBarAccessible(static_cast<TYTrackBar*>(object));
    }
    return nullptr;
}

} // namespace

void TYTrackBarAccessible::Install() {
    InstallAccessibleFactory(Factory);
}
