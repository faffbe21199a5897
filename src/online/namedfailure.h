#pragma once

#include <QString>

#include <exception>

// A failure with a name and a reason, thrown inside one command (a movie
// database lookup, say) and caught at the command's top, which logs it.
class NamedFailure : public std::exception {
public:
    NamedFailure(QString name, QString reason) : m_name(std::move(name)), m_reason(std::move(reason)) {}

    const QString& name() const { return m_name; }
    const QString& reason() const { return m_reason; }
    const char* what() const noexcept override { return "NamedFailure"; }

private:
    QString m_name;
    QString m_reason;
};
