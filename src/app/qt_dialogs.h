#pragma once

#include <QPointer>
#include <QWidget>

#include "common/message_service.h"
#include "workflow/desktop_services.h"
#include "workflow/input_box.h"

namespace kalvex {

// Message boxes over the window, titled "Kalvex Tagger".
class QtMessageService : public MessageService {
public:
    explicit QtMessageService(QWidget* owner) : owner_(owner) {}
    void ShowExclamation(const std::string& text) override;
    void ShowInformation(const std::string& text) override;

private:
    QPointer<QWidget> owner_;
};

// The input box: a prompt, a proposed answer, OK and Cancel.
class QtInputBox : public InputBox {
public:
    explicit QtInputBox(QWidget* owner) : owner_(owner) {}
    std::optional<std::string> Ask(const std::string& prompt, const std::string& proposed) override;

private:
    QPointer<QWidget> owner_;
};

// The desktop's default program for a file; what it makes of the request
// is its own affair.
class QtDesktopServices : public DesktopServices {
public:
    void OpenFile(const std::string& path) override;
};

}  // namespace kalvex
