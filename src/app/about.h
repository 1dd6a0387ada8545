#pragma once

#include <QDialog>

namespace nettora {

// The About window: product, version, maker and support links.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *parent = nullptr);

private:
    void openLink(const QString &url);
};

}  // namespace nettora
