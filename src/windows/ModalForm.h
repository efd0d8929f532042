#pragma once

#include <QDialog>

class QPushButton;

namespace orvane {

// A maintenance window: a fixed client area laid out in twips, an optional
// default button (Enter) and cancel button (Esc), and one unload step that
// runs whichever way the window goes (its buttons, Esc or the close box).
class ModalForm : public QDialog {
    Q_OBJECT
public:
    explicit ModalForm(QWidget* parent = nullptr);

    bool unloaded() const { return unloaded_; }

    // Unloads the window: the unload step runs once, then it closes.
    void unload();
    void done(int result) override;

protected:
    void setClientTwips(int width, int height);
    void setDefaultButton(QPushButton* button);
    void setCancelButton(QPushButton* button);
    // Every push button of the window; none takes Enter unless it has the
    // focus or is the default button.
    void settleButtons();

    // The window's own unload step.
    virtual void onUnload() { }

    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* default_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool unloaded_ = false;
};

} // namespace orvane
