#pragma once

#include <QString>

enum TModalResult { mrNone, mrYes, mrNo };

// A plain notice: the application's title as caption, no icon, an OK button.
void ShowMessage(const QString &message);

// A yes-or-no question in the standard confirmation box: caption "Confirm", a question mark,
// "&Yes" (the default, taken by Enter) and "&No" (taken by Escape).
TModalResult MessageDlgConfirm(const QString &message);
