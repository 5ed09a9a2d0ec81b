#pragma once
// The operator panel: every working list and setting of the main screen laid open
// to an operator at the screen. Hidden unless shown with the "A" button; the logic
// works on plain lists and this panel mirrors them.
#include <QHash>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;

namespace zepril {

struct Settings;

class OperatorPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OperatorPanel)
public:
    explicit OperatorPanel(QWidget* parent = nullptr);

    // The list widget named after a working list ("lstPlayList", "l3_night", "List1", …).
    QListWidget* list(const QString& name) const;
    void showList(const QString& name, const QStringList& items);
    QStringList items(const QString& name) const;

    void showSettings(const Settings& settings);
    QLineEdit* field(const QString& name) const; // "cycle_phrase", …, "txtNomHotel"

    QLineEdit* localDirectoryField() const { return m_localDirectoryField; }
    QLineEdit* remoteDirectoryField() const { return m_remoteDirectoryField; }
    QStatusBar* statusBar() const { return m_statusBar; }
    QPlainTextEdit* forecastText() const { return m_forecastText; }

private:
    QListWidget* addList(const QString& name, QWidget* parent);

    QHash<QString, QListWidget*> m_lists;
    QHash<QString, QLineEdit*> m_fields;
    QLineEdit* m_localDirectoryField = nullptr;
    QLineEdit* m_remoteDirectoryField = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QPlainTextEdit* m_forecastText = nullptr;
};

}
