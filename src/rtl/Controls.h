#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

// A drop-down box that the user may type into. Typed text completes from the list: the first
// item it begins (letter case ignored) fills the box with the rest selected, and choosing an
// item this way counts as picking it, as a mouse click or an arrow key does. The list never opens
// by itself while the user types, and typed text is never added to it.
class TComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TComboBox(QWidget *parent = nullptr);

    // Puts text in the box as a program does: nothing counts as picked.
    void SetText(const QString &text);

    // Replaces the list, keeping the text in the box and picking nothing.
    void SetItems(const QStringList &items);

    // The item picked last, or -1 once the text was typed past or edited away.
    int ItemIndex() const { return m_itemIndex; }

    void showPopup() override;

signals:
    void Click();    // an item was picked
    void DropDown(); // the list is about to open

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void complete();

    int m_itemIndex = -1;
};

// A multi-line text box. Its text is the lines joined by CR LF, as diary files keep them; every
// other character stays exactly as typed.
class TMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TMemo(QWidget *parent = nullptr);

    QString Text() const;
    void SetText(const QString &text);

    // For the texts we ship to be read: their lines are set for a narrow face, in which they fit
    // the box whole instead of breaking in the middle.
    void SetReadingFace();
};

// The strip along the bottom of a window: panels side by side, left to right, each a label of
// its own width.
class TStatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit TStatusBar(QWidget *parent = nullptr);

    int PanelCount() const { return int(panels().size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    int PanelWidth(int index) const;
    void SetPanelWidth(int index, int width);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QList<QLabel *> panels() const;
    void arrange();

    QList<int> m_widths;
};
