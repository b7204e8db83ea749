#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// A parsed JSON answer read through member paths: "access_token",
// "pagination.next_uri", "resources" or "resources[i].id" where i is the index last
// set with putI (a literal index such as "resources[0].id" works too).
// Numbers keep the exact text they had in the answer, so a 14-digit id or an amount
// reads back as sent, never through a double.
class JsonDocument final
{
public:
    JsonDocument();

    // Parses the text; false (and an empty document) when it is not JSON.
    bool load(const QByteArray &text);
    const QString &lastError() const { return m_error; }

    void putI(int index) { m_i = index; }

    // A string as is, a number as its JSON text, "true"/"false" for a Boolean;
    // empty when missing, null, an object or an array.
    QString stringOf(const QString &path) const;
    // True only for a Boolean true (or the text "true"); false when missing.
    bool boolOf(const QString &path) const;
    // Element count of an array; -1 when the path is missing or not an array.
    int sizeOfArray(const QString &path) const;
    bool hasMember(const QString &path) const;

    // Creates (with the objects on the way) or replaces a string member.
    void updateString(const QString &path, const QString &value);

    QByteArray emitCompact() const;
    // Indented text for the log. With maxChars >= 0 at most that many characters are
    // built and returned, however large the document is.
    QString emitIndented(qsizetype maxChars = -1) const;

    struct PathStep
    {
        static constexpr long kNone = -1;
        static constexpr long kCurrent = -2; // "[i]"
        std::string member; // empty for an index applied to the current value
        long index = kNone;
    };

private:
    using Json = nlohmann::json;
    const std::vector<PathStep> &stepsOf(const QString &path) const;
    long indexOf(const PathStep &step) const;
    const Json *find(const QString &path) const;

    Json m_root;
    int m_i = 0;
    QString m_error;
    mutable QHash<QString, std::vector<PathStep>> m_paths;
};
