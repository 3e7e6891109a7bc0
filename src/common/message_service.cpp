// The message service the command line and the tests use: it collects the texts.
#include "common/message_service.h"

namespace kalvex {

void CollectingMessageService::ShowExclamation(const std::string& text) {
    messages_.push_back({Icon::Exclamation, text});
}

void CollectingMessageService::ShowInformation(const std::string& text) {
    messages_.push_back({Icon::Information, text});
}

std::vector<std::string> CollectingMessageService::Texts() const {
    std::vector<std::string> texts;
    texts.reserve(messages_.size());
    for (const Message& message : messages_) {
        texts.push_back(message.text);
    }
    return texts;
}

}  // namespace kalvex
