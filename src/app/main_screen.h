#pragma once
// The main screen: the video full screen, the five operator buttons and the hidden
// operator panel that mirrors the run's lists. It builds none of its collaborators.
#include <QWidget>

#include <functional>

class QPushButton;
class QScreen;

namespace zepril {

class MediaPlayer;
class OperatorPanel;
class ShellOpener;

struct MainScreenActions {
    ShellOpener& shell;
    QString downloadPageUrl;
    std::function<void()> endProgram;               // ends at once; no further handler runs
    std::function<void(const QString&)> messageBox; // the playlist's double-click
};

class MainScreen final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainScreen)
public:
    explicit MainScreen(MainScreenActions actions, QWidget* parent = nullptr);
    ~MainScreen() override;

    // The player draws into a native child of this window, so it is made once the
    // window exists; videoWidget is placed at 0,0 and sized to the screen.
    void attachPlayer(MediaPlayer& player, QWidget* videoWidget);
    // Covers `screen` (the video, buttons and panel follow); for a screen that changed.
    void fitScreen(QScreen* screen);
    // The strips the panel is placed between, once they exist.
    void setNeighbours(QWidget* top, QWidget* bottom);

    // Operator buttons "A", "Q", "S", "P", "M".
    void togglePanel();
    void quit();
    void pause();
    void play();
    void openDownloadPage();

    OperatorPanel* panel() const { return m_panel; }
    QPushButton* button(int number) const;
    qint16 panelClicks() const { return m_panelClicks; }

signals:
    // The panel is about to be shown: its lists are mirrored now.
    void panelOpening();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setupPanel();
    void setupButtons();
    void placePanel();
    void pauseAndEnd();

    MainScreenActions m_actions;
    MediaPlayer* m_player = nullptr;
    QWidget* m_videoWidget = nullptr;
    QWidget* m_top = nullptr;
    QWidget* m_bottom = nullptr;
    OperatorPanel* m_panel = nullptr;
    QPushButton* m_buttons[5] = {};
    qint16 m_panelClicks = 0;
};

}
