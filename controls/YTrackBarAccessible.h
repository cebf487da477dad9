#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class TYTrackBar;

// The slider as assistive technology sees it: a slider, named by its owner,
// whose value is its Position between Min and Max. Only the mouse moves it,
// so a value set from outside is ignored.
class TYTrackBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TYTrackBarAccessible(TYTrackBar* slider);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text text) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override { return 1; }

    // Makes every TYTrackBar known to assistive technology as one; done once.
    static void Install();

private:
    const TYTrackBar& Slider() const;
};
