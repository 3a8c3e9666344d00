#pragma once
#include <QLineEdit>

namespace korvel {

// edPeriodACP: takes digits and one decimal separator ("." and "," both type the user's own);
// other characters are dropped. Reports when the focus leaves it.
class PeriodEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit PeriodEdit(QWidget* parent = nullptr);

signals:
    void left();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace korvel
