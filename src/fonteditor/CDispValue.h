#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>
#include <variant>

class IDispatchObject;

// One automation value: empty, bool, short (16 bit), long (32 bit), string or
// object (possibly null). The To... accessors throw CAutomationFailure when
// the value has another type, as a type mismatch would in a dispatch call.
class CDispValue {
public:
    enum class EType { Empty, Bool, Short, Long, String, Object };
    using ObjectPtr = std::shared_ptr<IDispatchObject>;

    CDispValue() = default;
    static CDispValue Bool(bool b) { return CDispValue(Storage(std::in_place_index<1>, b)); }
    static CDispValue Short(qint16 n) { return CDispValue(Storage(std::in_place_index<2>, n)); }
    static CDispValue Long(qint32 n) { return CDispValue(Storage(std::in_place_index<3>, n)); }
    static CDispValue String(const QString& s) { return CDispValue(Storage(std::in_place_index<4>, s)); }
    static CDispValue Object(ObjectPtr p) { return CDispValue(Storage(std::in_place_index<5>, std::move(p))); }

    EType Type() const { return static_cast<EType>(m_value.index()); }
    bool ToBool() const;
    qint16 ToShort() const;
    qint32 ToLong() const;
    QString ToString() const;
    ObjectPtr ToObject() const;

    static QString TypeName(EType type);

private:
    using Storage = std::variant<std::monostate, bool, qint16, qint32, QString, ObjectPtr>;
    explicit CDispValue(Storage v)
        : m_value(std::move(v))
    {
    }

    Storage m_value;
};
