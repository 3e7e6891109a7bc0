#pragma once

#include <string>
#include <vector>

namespace kalvex {

inline constexpr const char* kApplicationTitle = "Kalvex Tagger";

// How the core tells the user about failures and successes. The core never
// talks to a toolkit directly: the window supplies message boxes, the command
// line prints or collects the texts, tests capture them.
class MessageService {
public:
    virtual ~MessageService() = default;
    // A failure the user must know of (exclamation icon).
    virtual void ShowExclamation(const std::string& text) = 0;
    // A reported success (information icon).
    virtual void ShowInformation(const std::string& text) = 0;
};

// Keeps every text in the order shown; used by the command line and tests.
class CollectingMessageService : public MessageService {
public:
    enum class Icon { Exclamation, Information };
    struct Message {
        Icon icon;
        std::string text;
    };

    void ShowExclamation(const std::string& text) override;
    void ShowInformation(const std::string& text) override;

    const std::vector<Message>& Messages() const { return messages_; }
    std::vector<std::string> Texts() const;

private:
    std::vector<Message> messages_;
};

}  // namespace kalvex
