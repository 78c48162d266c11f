#pragma once

#include "DiaryBytes.h"
#include "forms/Unit1.h"
#include "rtl/Controls.h"
#include "rtl/Forms.h"
#include "rtl/SysUtils.h"
#include "store/IniFile.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <optional>

// What a message box showed before it was answered.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// Answers the next modal message box with a key press (Enter or Escape), recording what it showed.
// Modal boxes run their own event loop, so the answer comes from a timer.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(Qt::Key key = Qt::Key_Return) : m_key(key)
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::poll);
        m_timer.start(5);
    }

    std::optional<SeenBox> seen;
    int count = 0;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        SeenBox s;
        s.title = box->windowTitle();
        s.text = box->text();
        s.icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            s.buttons.append(b->text());
        if (box->defaultButton())
            s.defaultButton = box->defaultButton()->text();
        seen = s;
        ++count;
        QTest::keyClick(box, m_key);
    }

    Qt::Key m_key;
    QTimer m_timer;
};

// A diary entry as the program writes it.
inline QString entryText(const QString &date, const QString &when, const QString &description,
                         const QString &degree)
{
    return QStringLiteral("[%1]\r\nСон был=%2\r\nОщущения=\r\nОписание=%3\r\nВиденное=\r\n"
                          "Трактовка=\r\nСтепень ОС=%4\r\n")
        .arg(date, when, description, degree);
}

// Types text key by key, Cyrillic included, as a keyboard would send it.
inline void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        const auto key = ch.unicode() < 0x80 ? Qt::Key(ch.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(ch), Qt::NoModifier);
    }
}

// A main window over a diary of its own, on a fixed day, in a Russian locale.
class FormFixture
{
public:
    static inline const QDateTime kNow{QDate(2026, 12, 11), QTime(3, 4, 5)};

    explicit FormFixture(const QByteArray &diary = {})
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        SetClock([] { return kNow; });
        Application->SetExeName(dir.filePath("velnora"));
        if (!diary.isNull())
            writeBytes(diaryPath(), diary);
    }

    TForm1 *open()
    {
        form = std::make_unique<TForm1>();
        form->show();
        return form.get();
    }

    QString diaryPath() const { return dir.filePath("Save.vnx"); }
    QByteArray diaryBytes() const { return readBytes(diaryPath()); }

    template <typename T> T *child(const char *name) const
    {
        T *found = form->findChild<T *>(QLatin1StringView(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    TComboBox *dateBox() const { return child<TComboBox>("ComboBox1"); }
    TComboBox *whenBox() const { return child<TComboBox>("ComboBox2"); }
    TMemo *memo(int n) const { return child<TMemo>(QByteArray("Memo") + QByteArray::number(n)); }
    QSlider *slider() const { return child<QSlider>("TrackBar1"); }
    QLineEdit *degree() const { return child<QLineEdit>("Edit2"); }
    TStatusBar *statusBar() const { return child<TStatusBar>("StatusBar1"); }
    void trigger(const char *action) const { child<QAction>(action)->trigger(); }

    // Opens the date list and clicks the date at this row, as the user does with the mouse.
    void pickDate(int row) const
    {
        dateBox()->showPopup();
        QAbstractItemView *view = dateBox()->view();
        QTRY_VERIFY(view->isVisible());
        const QRect item = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
        QTRY_VERIFY(!view->isVisible());
    }

    QStringList dates() const
    {
        QStringList list;
        for (int i = 0; i < dateBox()->count(); ++i)
            list.append(dateBox()->itemText(i));
        return list;
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
};

// Qt Test's main for the windows: the application object is ours.
#define VELNORA_GUI_TEST_MAIN(TestClass)                                                           \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        TApplication app(argc, argv);                                                              \
        app.Initialize();                                                                          \
        app.SetTitle(QStringLiteral("Velnora"));                                                   \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
