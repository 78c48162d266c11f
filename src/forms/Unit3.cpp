#include "Unit3.h"

#include "rtl/Forms.h"

#include <QImageReader>
#include <QPixmap>

TForm3 *Form3 = nullptr;

TForm3::TForm3(QWidget *parent) : QWidget(parent)
{
    Form3 = this;
    setupUi(this);
    // A dialog's frame with a caption and nothing to close it by but "Ok".
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(size());
    move(230, 146);

    for (QLabel *label : {Label2, Label3, Label4})
        label->adjustSize();

    Bind(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
}

// The picture is decoded the first time the window opens, not at every start.
void TForm3::showEvent(QShowEvent *event)
{
    if (!m_pictured) {
        m_pictured = true;
        QImageReader picture(QStringLiteral(":/velnora/about.jpg"), "jpeg");
        Image1->setPixmap(QPixmap::fromImageReader(&picture));
        Image1->resize(Image1->pixmap().size());
    }
    QWidget::showEvent(event);
}

TForm3::~TForm3()
{
    if (Form3 == this)
        Form3 = nullptr;
}

void TForm3::Button1Click()
{
    hide();
}
