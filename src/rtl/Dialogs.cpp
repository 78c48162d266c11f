#include "Dialogs.h"

#include "Forms.h"

#include <QMessageBox>
#include <QPushButton>

void ShowMessage(const QString &message)
{
    QMessageBox box(QMessageBox::NoIcon, Application->Title(), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

TModalResult MessageDlgConfirm(const QString &message)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), message,
                    QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? mrYes : mrNo;
}
