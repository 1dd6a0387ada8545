#pragma once
// The Print Blank Statement window: a blank form set of the chosen style,
// printed without any client or statement, from the client window.

#include <QRadioButton>
#include <QWidget>

class QPushButton;

namespace nettora {

class TfrmPrint_BlankStatement : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPrint_BlankStatement(QWidget *parent = nullptr);

    void okClick();
    void cancelClick();

    QRadioButton *rbStandard, *rbContemporary, *rbProfessional;
    QPushButton *okButton, *cancelButton;

protected:
    void showEvent(QShowEvent *event) override;
};

}  // namespace nettora
