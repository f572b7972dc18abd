#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AboutBox;
}

namespace kelvarin::gui {

// "About Kelvarin": the program's picture and an OK button.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
    ~AboutBox() override;

private:
    std::unique_ptr<Ui::AboutBox> m_ui;
};

} // namespace kelvarin::gui
