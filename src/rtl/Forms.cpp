#include "Forms.h"

#include "store/Exception.h"

#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QMessageBox>
#include <QWindow>

TApplication *Application = nullptr;

namespace
{

// Waits for a window's first expose: the moment it is on screen.
class OnScreen : public QObject
{
public:
    OnScreen(QWidget *window, std::function<void()> work)
        : QObject(window), m_window(window), m_work(std::move(work))
    {
        if (window->windowHandle() && window->windowHandle()->isExposed()) {
            fire();
            return;
        }
        window->installEventFilter(this);
        if (window->windowHandle())
            window->windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        QWindow *handle = m_window->windowHandle();
        if (watched == m_window && event->type() == QEvent::Show && handle)
            handle->installEventFilter(this); // the native window exists from the first show on
        else if (watched == handle && event->type() == QEvent::Expose && handle->isExposed())
            fire();
        return false;
    }

private:
    void fire()
    {
        m_window->removeEventFilter(this);
        if (QWindow *handle = m_window->windowHandle())
            handle->removeEventFilter(this);
        // After the expose has been handled: the window paints first.
        QMetaObject::invokeMethod(
            this,
            [this] {
                Guarded(m_work);
                deleteLater();
            },
            Qt::QueuedConnection);
    }

    QWidget *m_window;
    std::function<void()> m_work;
};

} // namespace

void WhenOnScreen(QWidget *window, std::function<void()> work)
{
    new OnScreen(window, std::move(work));
}

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
        // Decoding pictures is the slowest part of showing a window: the icon follows at once
        // after the window is up. The sizes are those a title bar and a task switcher ask for;
        // the desktop's menu takes larger ones from the installed icon theme.
        WhenOnScreen(form, [this] {
            QIcon icon;
            for (const int size : {16, 32, 48})
                icon.addFile(QStringLiteral(":/velnora/icons/velnora-%1.png").arg(size),
                             QSize(size, size));
            setWindowIcon(icon);
        });
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
