#include "Controls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QTextDocument>

#include <algorithm>

TComboBox::TComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // our own completion below; Qt's would not count as picking
    // A plain list of texts: years of dates go in at once, without an item object for each.
    setModel(new QStringListModel(this));
    // Boxes stand where the window's design puts them, at its sizes: no need to measure every
    // item for a size the box would prefer.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(this, &QComboBox::activated, this, [this](int index) {
        m_itemIndex = index;
        emit Click();
    });
}

void TComboBox::SetText(const QString &text)
{
    m_itemIndex = -1;
    setEditText(text);
}

void TComboBox::SetItems(const QStringList &items)
{
    const QString text = currentText();
    {
        const QSignalBlocker blocker(this);
        static_cast<QStringListModel *>(model())->setStringList(items);
        setCurrentIndex(-1);
    }
    m_itemIndex = -1;
    setEditText(text);
}

void TComboBox::showPopup()
{
    emit DropDown();
    QComboBox::showPopup();
}

void TComboBox::keyPressEvent(QKeyEvent *event)
{
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    QComboBox::keyPressEvent(event);
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        m_itemIndex = -1;
    else if (printable && isEditable())
        complete();
}

void TComboBox::complete()
{
    QLineEdit *edit = lineEdit();
    const QString typed = edit->text();
    int match = -1;
    for (int i = 0; i < count() && match < 0; ++i) {
        if (itemText(i).startsWith(typed, Qt::CaseInsensitive))
            match = i;
    }
    if (match < 0 || typed.isEmpty()) {
        m_itemIndex = -1;
        return;
    }
    const QString item = itemText(match);
    const bool picked = match != m_itemIndex;
    if (picked) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(match);
    }
    edit->setText(item);
    edit->setSelection(int(item.size()), -int(item.size() - typed.size()));
    if (picked) {
        m_itemIndex = match;
        emit Click();
    }
}

TMemo::TMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
}

QString TMemo::Text() const
{
    // The raw text, not toPlainText(): that one turns no-break spaces into plain ones.
    QString text = document()->toRawText();
    QString out;
    out.reserve(text.size() + text.size() / 32);
    for (const QChar ch : text) {
        if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator)
            out += QLatin1StringView("\r\n");
        else
            out += ch;
    }
    return out;
}

void TMemo::SetText(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
    setPlainText(lines);
}

void TMemo::SetReadingFace()
{
    QFont narrow = font();
    narrow.setFamilies({QStringLiteral("PT Sans Narrow"), QStringLiteral("Liberation Sans Narrow"),
                        QStringLiteral("Nimbus Sans Narrow")});
    narrow.setPixelSize(11);
    setFont(narrow);
    document()->setDocumentMargin(2);
}

TStatusBar::TStatusBar(QWidget *parent) : QWidget(parent) {}

QList<QLabel *> TStatusBar::panels() const
{
    QList<QLabel *> list = findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    std::sort(list.begin(), list.end(),
              [](const QLabel *a, const QLabel *b) { return a->x() < b->x(); });
    return list;
}

QString TStatusBar::PanelText(int index) const
{
    return panels().at(index)->text();
}

void TStatusBar::SetPanelText(int index, const QString &text)
{
    panels().at(index)->setText(text);
}

int TStatusBar::PanelWidth(int index) const
{
    return m_widths.isEmpty() ? panels().at(index)->width() : m_widths.at(index);
}

void TStatusBar::SetPanelWidth(int index, int width)
{
    if (m_widths.isEmpty()) {
        for (const QLabel *panel : panels())
            m_widths.append(panel->width());
    }
    m_widths[index] = width;
    arrange();
}

void TStatusBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void TStatusBar::arrange()
{
    const QList<QLabel *> list = panels();
    if (m_widths.isEmpty()) {
        for (const QLabel *panel : list)
            m_widths.append(panel->width());
    }
    int x = 0;
    for (int i = 0; i < list.size(); ++i) {
        list[i]->setGeometry(x, 0, m_widths.at(i), height());
        x += m_widths.at(i);
    }
}
