#include "GuiTest.h"

#include <sys/resource.h>

#include <csignal>

namespace
{
const QString kToday = QStringLiteral("11.12.2026");
}

class TestEditor : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void firstRunShowsABlankEntryAndWritesNothing();
    void todaysEntryShowsAtStart();
    void badDegreeAtStartIsReportedAndTheWindowStillOpens();

    void saveNeedsSomethingInTheMemos_data();
    void saveNeedsSomethingInTheMemos();
    void savingANewDateAppendsItToTheList();
    void replacingAsksFirst_data();
    void replacingAsksFirst();
    void aFailedSaveLeavesTheEntryAsItWas_data();
    void aFailedSaveLeavesTheEntryAsItWas();
    void aDateThatCannotBeStoredIsRefused();

    void deletingRemovesTheEntryAndBlanksTheEditor_data();
    void deletingRemovesTheEntryAndBlanksTheEditor();
    void newBlanksTheEditorAndWritesNothing();

    void pickingADateLoadsItsEntry();
    void pickingADateWithoutKeysBlanksTheEditor();
    void badStoredDegreeIsReportedOtherFieldsLoad();
    void typingCompletesFromTheList();
    void memoTextKeepsEveryCharacter();
};

void TestEditor::cleanup()
{
    // Every window a test opened is gone with its fixture.
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

void TestEditor::firstRunShowsABlankEntryAndWritesNothing()
{
    FormFixture f;
    TForm1 *form = f.open();
    QCOMPARE(form->windowTitle(), "Дневник сна");
    QCOMPARE(form->Width(), 255);
    QVERIFY(f.child<QWidget>("GroupBox2")->x() >= form->centralWidget()->width());
    QCOMPARE(f.dateBox()->currentText(), kToday);
    QCOMPARE(f.whenBox()->currentText(), "Поздно ночью");
    QStringList times;
    for (int i = 0; i < f.whenBox()->count(); ++i)
        times.append(f.whenBox()->itemText(i));
    QCOMPARE(times,
             (QStringList{"Вскоре после засыпания", "Поздно ночью", "Перед пробуждением утром"}));
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(f.memo(n)->Text(), QString());
    QCOMPARE(f.slider()->value(), 0);
    QCOMPARE(f.degree()->text(), "0");
    QCOMPARE(f.dates(), QStringList());
    QVERIFY(!QFile::exists(f.diaryPath()));
}

void TestEditor::todaysEntryShowsAtStart()
{
    FormFixture f(
        cp1251(entryText("10.12.2026", "Поздно ночью", "Вчерашний", "1") +
               "[11.12.2026]\r\nСон был=Перед пробуждением утром\r\nОщущения=Лёгкость\r\n"
               "Описание=\"Летал\\r\\nнад городом\"\r\nВиденное=Крыши\r\nТрактовка=Свобода\r\n"
               "Степень ОС=7\r\n"));
    f.open();
    QCOMPARE(f.dateBox()->currentText(), kToday);
    QCOMPARE(f.whenBox()->currentText(), "Перед пробуждением утром");
    QCOMPARE(f.memo(1)->Text(), "Лёгкость");
    QCOMPARE(f.memo(2)->toPlainText(), "Летал\nнад городом");
    QCOMPARE(f.memo(3)->Text(), "Крыши");
    QCOMPARE(f.memo(4)->Text(), "Свобода");
    QCOMPARE(f.slider()->value(), 7);
    QCOMPARE(f.degree()->text(), "7");
    QCOMPARE(f.dates(), (QStringList{"10.12.2026", kToday}));
}

void TestEditor::badDegreeAtStartIsReportedAndTheWindowStillOpens()
{
    FormFixture f(cp1251(entryText(kToday, "Поздно ночью", "Сон", "много")));
    BoxAnswerer answer;
    f.open();
    QVERIFY(answer.seen);
    QCOMPARE(answer.seen->title, "Velnora");
    QCOMPARE(answer.seen->icon, QMessageBox::Critical);
    QCOMPARE(answer.seen->text, "'много' is not a valid integer value.");
    QCOMPARE(answer.seen->buttons, QStringList{"OK"});
    QVERIFY(f.form->isVisible());
    QCOMPARE(f.memo(2)->Text(), "Сон");
    QCOMPARE(f.degree()->text(), "много");
    QCOMPARE(f.statusBar()->PanelText(1), QString()); // the rest of the start-up was skipped
    QCOMPARE(f.dates(), QStringList());
}

void TestEditor::saveNeedsSomethingInTheMemos_data()
{
    QTest::addColumn<int>("memo");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("saved");
    QTest::newRow("all empty") << 0 << QString() << false;
    QTest::newRow("a space") << 3 << QString(" ") << true;
    QTest::newRow("an empty line") << 4 << QString("\n") << true;
    QTest::newRow("sensations") << 1 << QString("Тревога") << true;
}

void TestEditor::saveNeedsSomethingInTheMemos()
{
    QFETCH(int, memo);
    QFETCH(QString, text);
    QFETCH(bool, saved);
    FormFixture f;
    f.open();
    f.whenBox()->SetText("Вскоре после засыпания");
    f.slider()->setValue(5);
    if (memo)
        f.memo(memo)->setPlainText(text);

    BoxAnswerer answer;
    f.trigger("N3");
    if (saved) {
        QVERIFY(!answer.seen);
        QCOMPARE(TIniFile(f.diaryPath()).ReadString(kToday, "Степень ОС", " "), "5");
    } else {
        QVERIFY(answer.seen);
        QCOMPARE(answer.seen->title, "Velnora");
        QCOMPARE(answer.seen->text, "Может заполните сначала поля? :)");
        QCOMPARE(answer.seen->icon, QMessageBox::NoIcon);
        QCOMPARE(answer.seen->buttons, QStringList{"OK"});
        QVERIFY(!QFile::exists(f.diaryPath()));
    }
}

void TestEditor::savingANewDateAppendsItToTheList()
{
    const QByteArray before = cp1251(entryText("01.12.2026", "Поздно ночью", "Лес", "2") +
                                     entryText("02.12.2026", "Поздно ночью", "Море", "3"));
    FormFixture f(before);
    f.open();
    f.dateBox()->lineEdit()->selectAll();
    typeText(f.dateBox(), "вчера");
    f.memo(1)->setPlainText("Страх");
    f.memo(2)->setPlainText("Шёл\nпо мосту");
    f.slider()->setValue(4);
    f.trigger("N3");

    QCOMPARE(f.dates(), (QStringList{"01.12.2026", "02.12.2026", "вчера"}));
    QCOMPARE(f.dateBox()->currentText(), "вчера");
    QCOMPARE(f.memo(2)->Text(), "Шёл\r\nпо мосту"); // the editor keeps what it shows
    QCOMPARE(f.diaryBytes(),
             before + cp1251("[вчера]\r\nСон был=Поздно ночью\r\nОщущения=Страх\r\n"
                             "Описание=\"Шёл\\r\\nпо мосту\"\r\nВиденное=\r\nТрактовка=\r\n"
                             "Степень ОС=4\r\n"));
}

void TestEditor::replacingAsksFirst_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("Enter takes Yes") << Qt::Key_Return << true;
    QTest::newRow("Escape takes No") << Qt::Key_Escape << false;
}

void TestEditor::replacingAsksFirst()
{
    QFETCH(Qt::Key, key);
    QFETCH(bool, replaced);
    const QByteArray before = cp1251(entryText(kToday, "Поздно ночью", "Лес", "2") +
                                     entryText("12.12.2026", "Поздно ночью", "Море", "3"));
    FormFixture f(before);
    f.open();
    f.memo(2)->setPlainText("Горы");

    BoxAnswerer answer(key);
    f.trigger("N3");
    QVERIFY(answer.seen);
    QCOMPARE(answer.seen->title, "Confirm");
    QCOMPARE(answer.seen->text, "Запись с такой датой уже существует. Заменить?");
    QCOMPARE(answer.seen->icon, QMessageBox::Question);
    QCOMPARE(answer.seen->buttons, (QStringList{"&Yes", "&No"}));
    QCOMPARE(answer.seen->defaultButton, "&Yes");

    const QByteArray expected = replaced
                                    ? cp1251(entryText(kToday, "Поздно ночью", "Горы", "2") +
                                             entryText("12.12.2026", "Поздно ночью", "Море", "3"))
                                    : before;
    QCOMPARE(f.diaryBytes(), expected);
    QCOMPARE(f.dates(), (QStringList{kToday, "12.12.2026"}));
}

void TestEditor::aFailedSaveLeavesTheEntryAsItWas_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("boxes"); // the confirmation, when there is one, and the error
    QTest::newRow("new entry") << "05.12.2026" << 1;
    QTest::newRow("replacing an entry") << "01.12.2026" << 2;
}

void TestEditor::aFailedSaveLeavesTheEntryAsItWas()
{
    QFETCH(QString, date);
    QFETCH(int, boxes);
    const QByteArray before = cp1251(entryText("01.12.2026", "Поздно ночью", "Лес", "2"));
    FormFixture f(before);
    f.open();
    f.dateBox()->SetText(date);
    f.memo(1)->setPlainText("Покой");
    const QString longText = QString("Очень длинный сон. ").repeated(20'000);
    f.memo(2)->setPlainText(longText);

    // The disk fills up: the entry with its long description no longer fits.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{64 * 1024, old.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    BoxAnswerer answer;
    f.trigger("N3");
    setrlimit(RLIMIT_FSIZE, &old);

    QVERIFY(answer.seen);
    QCOMPARE(answer.count, boxes);
    QCOMPARE(answer.seen->title, "Velnora");
    QCOMPARE(answer.seen->icon, QMessageBox::Critical);
    QCOMPARE(answer.seen->text, "Unable to write to " + f.diaryPath() + ".");
    // Nothing of the new entry reached the file, not even the fields before the description:
    // an entry is never left half old and half new.
    QCOMPARE(f.diaryBytes(), before);
    QCOMPARE(f.dates(), QStringList{"01.12.2026"}); // not refilled
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"Save.vnx"});
    // What was typed is still there to be saved again once there is room.
    QCOMPARE(f.dateBox()->currentText(), date);
    QCOMPARE(f.memo(1)->Text(), "Покой");
    QCOMPARE(f.memo(2)->Text(), longText);

    f.trigger("N3");
    const TIniFile ini(f.diaryPath());
    QCOMPARE(ini.ReadString(date, "Описание", " "), longText);
}

void TestEditor::aDateThatCannotBeStoredIsRefused()
{
    FormFixture f;
    f.open();
    f.dateBox()->SetText(QString());
    f.memo(2)->setPlainText("Сон без даты");
    BoxAnswerer answer;
    f.trigger("N3");
    QVERIFY(answer.seen);
    QCOMPARE(answer.seen->icon, QMessageBox::Critical);
    QCOMPARE(answer.seen->text, "Дата записи не может быть пустой.");
    QVERIFY(!QFile::exists(f.diaryPath()));
    QCOMPARE(f.memo(2)->Text(), "Сон без даты"); // nothing the user typed is lost
}

void TestEditor::deletingRemovesTheEntryAndBlanksTheEditor_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QByteArray>("after");
    const QString first = entryText("01.12.2026", "Поздно ночью", "Лес", "2");
    const QString second = entryText("02.12.2026", "Поздно ночью", "Море", "3");
    QTest::newRow("listed") << "01.12.2026" << cp1251(second);
    QTest::newRow("not in the diary") << "03.12.2026" << cp1251(first + second);
}

void TestEditor::deletingRemovesTheEntryAndBlanksTheEditor()
{
    QFETCH(QString, date);
    QFETCH(QByteArray, after);
    FormFixture f(cp1251(entryText("01.12.2026", "Поздно ночью", "Лес", "2") +
                         entryText("02.12.2026", "Поздно ночью", "Море", "3")));
    f.open();
    f.dateBox()->SetText(date);
    f.memo(2)->setPlainText("что-то");
    f.slider()->setValue(9);
    BoxAnswerer answer;
    f.trigger("N4");
    QVERIFY(!answer.seen); // deleting does not ask
    QCOMPARE(f.diaryBytes(), after);
    QCOMPARE(f.dateBox()->currentText(), kToday);
    QCOMPARE(f.memo(2)->Text(), QString());
    QCOMPARE(f.slider()->value(), 0);
    QCOMPARE(f.degree()->text(), "0");
    QCOMPARE(f.dates().size(), date == "01.12.2026" ? 1 : 2);
}

void TestEditor::newBlanksTheEditorAndWritesNothing()
{
    FormFixture f(cp1251(entryText(kToday, "Перед пробуждением утром", "Лес", "6")));
    f.open();
    const QByteArray before = f.diaryBytes();
    f.trigger("N2");
    QCOMPARE(f.dateBox()->currentText(), kToday);
    QCOMPARE(f.whenBox()->currentText(), "Поздно ночью");
    QCOMPARE(f.memo(2)->Text(), QString());
    QCOMPARE(f.slider()->value(), 0);
    QCOMPARE(f.degree()->text(), "0");
    QCOMPARE(f.diaryBytes(), before);
}

void TestEditor::pickingADateLoadsItsEntry()
{
    FormFixture f(cp1251(entryText("01.12.2026", "Вскоре после засыпания", "Лес", "2") +
                         entryText("02.12.2026", "Поздно ночью", "Море", "8")));
    f.open();
    f.dateBox()->setFocus();
    QTest::keyClick(f.dateBox(), Qt::Key_Down); // the first date
    QCOMPARE(f.dateBox()->currentText(), "01.12.2026");
    QCOMPARE(f.whenBox()->currentText(), "Вскоре после засыпания");
    QCOMPARE(f.memo(2)->Text(), "Лес");
    QCOMPARE(f.slider()->value(), 2);
    QTest::keyClick(f.dateBox(), Qt::Key_Down);
    QCOMPARE(f.memo(2)->Text(), "Море");
    QCOMPARE(f.degree()->text(), "8");

    f.pickDate(0);
    QCOMPARE(f.memo(2)->Text(), "Лес");
}

void TestEditor::pickingADateWithoutKeysBlanksTheEditor()
{
    FormFixture f(
        cp1251("[01.12.2026]\r\n" + entryText("02.12.2026", "Поздно ночью", "Море", "8")));
    f.open();
    QCOMPARE(f.dates(), (QStringList{"01.12.2026", "02.12.2026"}));
    f.memo(2)->setPlainText("набранное");
    f.pickDate(0);
    QCOMPARE(f.dateBox()->currentText(), kToday);
    QCOMPARE(f.memo(2)->Text(), QString());
}

void TestEditor::badStoredDegreeIsReportedOtherFieldsLoad()
{
    FormFixture f(cp1251(entryText("01.12.2026", "Вскоре после засыпания", "Лес", "2,5")));
    f.open();
    f.slider()->setValue(3);
    BoxAnswerer answer;
    f.pickDate(0);
    QVERIFY(answer.seen);
    QCOMPARE(answer.seen->text, "'2,5' is not a valid integer value.");
    QCOMPARE(f.memo(2)->Text(), "Лес");
    QCOMPARE(f.whenBox()->currentText(), "Вскоре после засыпания");
    QCOMPARE(f.degree()->text(), "2,5");
    QCOMPARE(f.slider()->value(), 3);
}

void TestEditor::typingCompletesFromTheList()
{
    FormFixture f(cp1251(entryText("01.12.2026", "Поздно ночью", "Лес", "2") +
                         entryText("02.12.2026", "Поздно ночью", "Море", "3") +
                         entryText("Новый год", "Поздно ночью", "Ёлка", "5")));
    f.open();
    QLineEdit *edit = f.dateBox()->lineEdit();
    f.dateBox()->setFocus();
    edit->selectAll();

    typeText(f.dateBox(), "0");
    QCOMPARE(edit->text(), "01.12.2026");
    QCOMPARE(edit->selectedText(), "1.12.2026");
    QCOMPARE(f.memo(2)->Text(), "Лес");

    typeText(f.dateBox(), "2");
    QCOMPARE(edit->text(), "02.12.2026");
    QCOMPARE(f.memo(2)->Text(), "Море");

    QTest::keyClick(f.dateBox(), Qt::Key_Backspace); // drops the completed rest
    QCOMPARE(edit->text(), "02");
    QTest::keyClick(f.dateBox(), Qt::Key_Backspace);
    QCOMPARE(edit->text(), "0");

    edit->selectAll();
    typeText(f.dateBox(), "нОВ"); // letter case does not matter
    QCOMPARE(edit->text(), "Новый год");
    QCOMPARE(f.memo(2)->Text(), "Ёлка");

    edit->selectAll();
    f.memo(2)->setPlainText("не трогать");
    typeText(f.dateBox(), "9 мая");
    QCOMPARE(edit->text(), "9 мая");
    QCOMPARE(f.memo(2)->Text(), "не трогать");
}

void TestEditor::memoTextKeepsEveryCharacter()
{
    FormFixture f;
    f.open();
    const QString typed = QStringLiteral("неразрывный\u00A0пробел\nвторая строка 🌙\tтаб");
    f.memo(3)->setPlainText(typed);
    f.trigger("N3");
    QCOMPARE(TIniFile(f.diaryPath()).ReadString(kToday, "Виденное", " "),
             QString(typed).replace("\n", "\r\n"));
}

VELNORA_GUI_TEST_MAIN(TestEditor)
#include "tst_editor.moc"
