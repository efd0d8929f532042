#pragma once

#include <QObject>

class QWidget;

namespace orvane {

// While alive, the given window takes no user input: clicks, keys, wheel
// turns and its close box are dropped. Painting goes on, and other windows
// (a message box shown meanwhile) keep their input.
class InputBlocker final : public QObject {
public:
    explicit InputBlocker(QWidget* window);
    ~InputBlocker() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
};

} // namespace orvane
