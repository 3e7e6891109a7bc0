// The saved property set the owner-drawn controls read and write.
#include "controls/property_bag.h"

namespace kalvex {

QVariant PropertyBag::Read(const QString& key, const QVariant& default_value) const {
    auto found = values_.constFind(key);
    return found == values_.constEnd() ? default_value : found.value();
}

void PropertyBag::Write(const QString& key, const QVariant& value, const QVariant& default_value) {
    if (value == default_value) {
        values_.remove(key);
    } else {
        values_.insert(key, value);
    }
}

}  // namespace kalvex
