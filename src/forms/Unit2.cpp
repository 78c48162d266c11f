#include "Unit2.h"

#include <QFile>
#include <QIcon>
#include <QScreen>

TForm2 *Form2 = nullptr;

TForm2::TForm2(QWidget *parent) : QWidget(parent)
{
    Form2 = this;
    setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());

    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

// The window is made at start-up with the others but read only now and then: its picture and
// its text are put in the first time it opens.
void TForm2::showEvent(QShowEvent *event)
{
    if (!m_filled) {
        m_filled = true;
        QIcon icon;
        for (const int size : {16, 24, 32, 48})
            icon.addFile(QStringLiteral(":/velnora/icons/article-%1.png").arg(size),
                         QSize(size, size));
        setWindowIcon(icon);
        Memo1->SetReadingFace();
        QFile article(QStringLiteral(":/velnora/article.txt"));
        if (article.open(QIODevice::ReadOnly))
            Memo1->SetText(QString::fromUtf8(article.readAll()));
    }
    QWidget::showEvent(event);
}

TForm2::~TForm2()
{
    if (Form2 == this)
        Form2 = nullptr;
}
