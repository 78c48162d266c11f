#pragma once

#include <QApplication>
#include <QPointer>

#include <exception>
#include <functional>

// The application object: its title, its windows and the one place where a failed handler is
// reported.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    ~TApplication() override;

    // Font, style and icon shared by every window.
    void Initialize();

    QString Title() const { return m_title; }
    void SetTitle(const QString &title);

    // The running program's full path; the diary lives beside it.
    QString ExeName() const;
    void SetExeName(const QString &exeName) { m_exeName = exeName; }

    // Creates a window and keeps it until the program ends. The first one created is the main
    // window: closing it ends the program, whatever else is open.
    template <typename Form> void CreateForm(Form *&variable)
    {
        variable = new Form();
        adopt(variable);
    }
    QWidget *MainForm() const { return m_mainForm; }

    int Run();

    // The default error report: a box with the title as caption, an error icon and OK, whose text
    // is the message with a full stop added when it ends in a character that sorts after ".".
    void ShowException(const QString &message);
    static QString ReportText(const QString &message);

private:
    void adopt(QWidget *form);
    bool eventFilter(QObject *watched, QEvent *event) override;

    QString m_title;
    QString m_exeName;
    QPointer<QWidget> m_mainForm;
    QList<QWidget *> m_forms;
};

extern TApplication *Application;

// Runs `work` once, as soon as the window is first on screen, under Guarded. What the user does
// not need at the first glance is done there, so that it does not hold the window back.
void WhenOnScreen(QWidget *window, std::function<void()> work);

// Runs one event handler to its end. A failure that leaves it goes to the default error report;
// the handler's remaining steps are skipped and the program carries on.
void Guarded(const std::function<void()> &handler);

// Connects a signal to a handler of the form, run under Guarded.
template <typename Sender, typename Signal, typename Form>
void Bind(Sender *sender, Signal signal, Form *form, void (Form::*handler)())
{
    QObject::connect(sender, signal, form,
                     [form, handler] { Guarded([&] { (form->*handler)(); }); });
}
