#include "ui/frame/AboutBox.h"

#include "ui/form/DialogUnits.h"
#include "ui_AboutBox.h"

namespace kelvarin::gui {

// Like the control form, the .ui file holds dialog units.
AboutBox::AboutBox(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::AboutBox>()) {
    m_ui->setupUi(this);
    const DialogUnits units(font());
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setGeometry(units.ToPixels(child->geometry()));
    setFixedSize(units.ToPixels(QRect(QPoint(0, 0), size())).size());
    m_ui->okButton->raise();
}

AboutBox::~AboutBox() = default;

} // namespace kelvarin::gui
