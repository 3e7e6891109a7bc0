#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

namespace kalvex {

// The saved property set of a host form: the controls write their properties
// under their stored keys and read them back when the form is loaded. A value
// equal to its default is not stored, so reading falls back to the default.
class PropertyBag {
public:
    QVariant Read(const QString& key, const QVariant& default_value) const;
    void Write(const QString& key, const QVariant& value, const QVariant& default_value);

    bool Contains(const QString& key) const { return values_.contains(key); }
    int Count() const { return static_cast<int>(values_.size()); }

private:
    QMap<QString, QVariant> values_;
};

}  // namespace kalvex
