#include "Forms.h"

#include "store/Exception.h"

#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QMessageBox>

TApplication *Application = nullptr;

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    Application = this;
    // Closing the main window ends the program even while a reading window is open.
    setQuitOnLastWindowClosed(false);
}

TApplication::~TApplication()
{
    qDeleteAll(m_forms);
    Application = nullptr;
}

void TApplication::Initialize()
{
    // The windows are laid out in pixels for a small sans face with Arial's metrics; these
    // faces all carry Cyrillic.
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("PT Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    setFont(font);
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/velnora/icons/velnora-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
}

void TApplication::SetTitle(const QString &title)
{
    m_title = title;
    setApplicationDisplayName(QString()); // window captions stay exactly as designed
    setApplicationName(title);
}

QString TApplication::ExeName() const
{
    return m_exeName.isEmpty() ? applicationFilePath() : m_exeName;
}

void TApplication::adopt(QWidget *form)
{
    m_forms.append(form);
    if (!m_mainForm) {
        m_mainForm = form;
        form->installEventFilter(this);
        form->show(); // the main window shows once created; the others wait to be asked for
    }
}

bool TApplication::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mainForm && event->type() == QEvent::Close)
        QMetaObject::invokeMethod(this, &QCoreApplication::quit, Qt::QueuedConnection);
    return QApplication::eventFilter(watched, event);
}

int TApplication::Run()
{
    return exec();
}

QString TApplication::ReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + u'.';
    return message;
}

void TApplication::ShowException(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, m_title, ReportText(message), QMessageBox::Ok,
                    activeWindow());
    box.exec();
}

void Guarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const Exception &e) {
        Application->ShowException(e.Message());
    } catch (const std::exception &e) {
        Application->ShowException(QString::fromLocal8Bit(e.what()));
    }
}
