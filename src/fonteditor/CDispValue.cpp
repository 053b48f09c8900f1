#include "fonteditor/CDispValue.h"

#include "fonteditor/CAutomationFailure.h"

namespace {

template <typename T, size_t Index> T Take(const auto& storage, CDispValue::EType actual)
{
    if (storage.index() != Index)
        throw CAutomationFailure(
            QStringLiteral("type mismatch: expected %1, got %2")
                .arg(CDispValue::TypeName(static_cast<CDispValue::EType>(Index)), CDispValue::TypeName(actual)));
    return std::get<Index>(storage);
}

} // namespace

bool CDispValue::ToBool() const
{
    return Take<bool, 1>(m_value, Type());
}
qint16 CDispValue::ToShort() const
{
    return Take<qint16, 2>(m_value, Type());
}
qint32 CDispValue::ToLong() const
{
    return Take<qint32, 3>(m_value, Type());
}
QString CDispValue::ToString() const
{
    return Take<QString, 4>(m_value, Type());
}
CDispValue::ObjectPtr CDispValue::ToObject() const
{
    return Take<ObjectPtr, 5>(m_value, Type());
}

QString CDispValue::TypeName(EType type)
{
    switch (type) {
    case EType::Empty: return QStringLiteral("empty");
    case EType::Bool: return QStringLiteral("bool");
    case EType::Short: return QStringLiteral("short");
    case EType::Long: return QStringLiteral("long");
    case EType::String: return QStringLiteral("string");
    case EType::Object: return QStringLiteral("object");
    }
    return QString();
}
