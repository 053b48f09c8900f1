#pragma once

#include <QValidator>

#include <functional>

// A field that refuses any edit after which its text would break a rule of
// the model (a byte limit, a character the code page lacks), so the user
// cannot type or paste past it.
class CRuleValidator : public QValidator
{
public:
    CRuleValidator(std::function<bool(const QString&)> rule, QObject* parent)
        : QValidator(parent)
        , m_rule(std::move(rule))
    {
    }

    State validate(QString& input, int&) const override { return m_rule(input) ? Acceptable : Invalid; }

private:
    std::function<bool(const QString&)> m_rule;
};
