#include "bridge/JsonDocument.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

using Json = nlohmann::json;

// Number texts of the answer are kept as binary values holding the lexeme: JSON
// text can never produce a binary value, so it cannot be mistaken for anything else.
constexpr std::uint64_t kNumberLexeme = 1;

std::string lexemeOf(const Json &value)
{
    const auto &bytes = value.get_binary();
    return {bytes.begin(), bytes.end()};
}

bool isLexeme(const Json &value)
{
    return value.is_binary() && value.get_binary().has_subtype()
        && value.get_binary().subtype() == kNumberLexeme;
}

// Builds the document from parser events, keeping each float's own text.
class LexemeBuilder final : public nlohmann::json_sax<Json>
{
public:
    explicit LexemeBuilder(Json &root) : m_root(root) {}

    bool null() override { return add(nullptr); }
    bool boolean(bool value) override { return add(value); }
    bool number_integer(number_integer_t value) override { return add(value); }
    bool number_unsigned(number_unsigned_t value) override { return add(value); }
    bool number_float(number_float_t, const string_t &text) override
    {
        return add(Json::binary(Json::binary_t::container_type(text.begin(), text.end()),
                                kNumberLexeme));
    }
    bool string(string_t &value) override { return add(std::move(value)); }
    bool binary(binary_t &value) override { return add(Json::binary(std::move(value))); }
    bool start_object(std::size_t) override
    {
        Json *created = place(Json::object());
        m_stack.push_back(created);
        return true;
    }
    bool key(string_t &name) override
    {
        m_key = std::move(name);
        return true;
    }
    bool end_object() override
    {
        m_stack.pop_back();
        return true;
    }
    bool start_array(std::size_t) override
    {
        Json *created = place(Json::array());
        m_stack.push_back(created);
        return true;
    }
    bool end_array() override
    {
        m_stack.pop_back();
        return true;
    }
    bool parse_error(std::size_t position, const std::string &, const nlohmann::detail::exception &e) override
    {
        m_error = QStringLiteral("JSON invalide (position %1) : %2")
                      .arg(position)
                      .arg(QString::fromUtf8(e.what()));
        return false;
    }
    const QString &error() const { return m_error; }

private:
    template<typename T>
    bool add(T &&value)
    {
        place(Json(std::forward<T>(value)));
        return true;
    }
    // Pointers on the stack stay valid: a container only grows while it is on top.
    Json *place(Json value)
    {
        if (m_stack.empty()) {
            m_root = std::move(value);
            return &m_root;
        }
        Json &parent = *m_stack.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        Json &slot = parent[m_key];
        slot = std::move(value);
        return &slot;
    }

    Json &m_root;
    std::vector<Json *> m_stack;
    std::string m_key;
    QString m_error;
};

// "resources[i].id" -> {resources, i}, {id}. False for an unreadable index.
bool parsePath(const QString &path, std::vector<JsonDocument::PathStep> &steps)
{
    const std::string text = path.toStdString();
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t dot = rest.find('.');
        std::string_view part = rest.substr(0, dot);
        rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
        JsonDocument::PathStep step;
        const std::size_t bracket = part.find('[');
        step.member = std::string(part.substr(0, bracket));
        if (bracket != std::string_view::npos) {
            if (part.back() != ']')
                return false;
            const std::string_view inside = part.substr(bracket + 1, part.size() - bracket - 2);
            if (inside == "i") {
                step.index = JsonDocument::PathStep::kCurrent;
            } else {
                if (inside.empty() || inside.size() > 9)
                    return false;
                long value = 0;
                for (char c : inside) {
                    if (c < '0' || c > '9')
                        return false;
                    value = value * 10 + (c - '0');
                }
                step.index = value;
            }
        }
        steps.push_back(std::move(step));
    }
    return !steps.empty();
}

// Writes JSON text, indented by two spaces or compact, and stops once the budget of
// bytes is spent so a log line never costs the whole document.
class JsonWriter final
{
public:
    JsonWriter(bool indented, std::size_t budget) : m_indented(indented), m_budget(budget) {}

    void write(const Json &value, int depth)
    {
        if (full())
            return;
        switch (value.type()) {
        case Json::value_t::object:
            writeObject(value, depth);
            break;
        case Json::value_t::array:
            writeArray(value, depth);
            break;
        case Json::value_t::string:
            writeString(value.get_ref<const std::string &>());
            break;
        case Json::value_t::binary:
            m_out += isLexeme(value) ? lexemeOf(value) : value.dump();
            break;
        default:
            m_out += value.dump();
            break;
        }
    }
    std::string &text() { return m_out; }
    bool full() const { return m_out.size() >= m_budget; }

private:
    void newLine(int depth)
    {
        if (!m_indented)
            return;
        m_out += '\n';
        m_out.append(static_cast<std::size_t>(depth) * 2, ' ');
    }

    void writeObject(const Json &value, int depth)
    {
        if (value.empty()) {
            m_out += "{}";
            return;
        }
        m_out += '{';
        bool first = true;
        for (auto it = value.begin(); it != value.end() && !full(); ++it) {
            if (!first)
                m_out += ',';
            first = false;
            newLine(depth + 1);
            writeString(it.key());
            m_out += m_indented ? ": " : ":";
            write(it.value(), depth + 1);
        }
        newLine(depth);
        m_out += '}';
    }

    void writeArray(const Json &value, int depth)
    {
        if (value.empty()) {
            m_out += "[]";
            return;
        }
        m_out += '[';
        bool first = true;
        for (auto it = value.begin(); it != value.end() && !full(); ++it) {
            if (!first)
                m_out += ',';
            first = false;
            newLine(depth + 1);
            write(*it, depth + 1);
        }
        newLine(depth);
        m_out += ']';
    }

    void writeString(const std::string &s)
    {
        static constexpr char kHex[] = "0123456789abcdef";
        m_out += '"';
        for (char ch : s) {
            if (full())
                return;
            const auto c = static_cast<unsigned char>(ch);
            switch (c) {
            case '"': m_out += "\\\""; break;
            case '\\': m_out += "\\\\"; break;
            case '\n': m_out += "\\n"; break;
            case '\r': m_out += "\\r"; break;
            case '\t': m_out += "\\t"; break;
            case '\b': m_out += "\\b"; break;
            case '\f': m_out += "\\f"; break;
            default:
                if (c < 0x20) {
                    m_out += "\\u00";
                    m_out += kHex[c >> 4];
                    m_out += kHex[c & 0xF];
                } else {
                    m_out += ch;
                }
            }
        }
        m_out += '"';
    }

    bool m_indented;
    std::size_t m_budget;
    std::string m_out;
};

// Drops an incomplete UTF-8 sequence left at the end by a cut.
void trimToUtf8Boundary(std::string &text)
{
    std::size_t end = text.size();
    std::size_t lead = end;
    while (lead > 0 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return;
    const auto c = static_cast<unsigned char>(text[lead - 1]);
    const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (end - (lead - 1) < length)
        text.resize(lead - 1);
}

} // namespace

JsonDocument::JsonDocument() : m_root(Json::object()) {}

bool JsonDocument::load(const QByteArray &text)
{
    m_error.clear();
    Json root;
    LexemeBuilder builder(root);
    const bool ok = Json::sax_parse(text.constData(), text.constData() + text.size(), &builder);
    if (!ok) {
        m_root = Json::object();
        m_error = builder.error().isEmpty() ? QStringLiteral("JSON invalide") : builder.error();
        return false;
    }
    m_root = std::move(root);
    return true;
}

const std::vector<JsonDocument::PathStep> &JsonDocument::stepsOf(const QString &path) const
{
    // Callers read the same few paths for every element of a page: parse each once.
    auto it = m_paths.constFind(path);
    if (it == m_paths.constEnd()) {
        std::vector<PathStep> steps;
        if (!parsePath(path, steps))
            steps.clear();
        it = m_paths.insert(path, std::move(steps));
    }
    return *it;
}

long JsonDocument::indexOf(const PathStep &step) const
{
    return step.index == PathStep::kCurrent ? m_i : step.index;
}

const JsonDocument::Json *JsonDocument::find(const QString &path) const
{
    const std::vector<PathStep> &steps = stepsOf(path);
    if (steps.empty())
        return nullptr;
    const Json *node = &m_root;
    for (const PathStep &step : steps) {
        if (!step.member.empty()) {
            if (!node->is_object())
                return nullptr;
            const auto it = node->find(step.member);
            if (it == node->end())
                return nullptr;
            node = &*it;
        }
        if (step.index != PathStep::kNone) {
            const long index = indexOf(step);
            if (!node->is_array() || index < 0 || static_cast<std::size_t>(index) >= node->size())
                return nullptr;
            node = &(*node)[static_cast<std::size_t>(index)];
        }
    }
    return node;
}

QString JsonDocument::stringOf(const QString &path) const
{
    const Json *node = find(path);
    if (!node)
        return {};
    switch (node->type()) {
    case Json::value_t::string:
        return QString::fromStdString(node->get_ref<const std::string &>());
    case Json::value_t::number_integer:
        return QString::number(node->get<std::int64_t>());
    case Json::value_t::number_unsigned:
        return QString::number(node->get<std::uint64_t>());
    case Json::value_t::number_float:
        return QString::fromStdString(node->dump());
    case Json::value_t::boolean:
        return node->get<bool>() ? QStringLiteral("true") : QStringLiteral("false");
    case Json::value_t::binary:
        return isLexeme(*node) ? QString::fromStdString(lexemeOf(*node)) : QString();
    default:
        return {};
    }
}

bool JsonDocument::boolOf(const QString &path) const
{
    const Json *node = find(path);
    if (!node)
        return false;
    if (node->is_boolean())
        return node->get<bool>();
    if (node->is_string())
        return QString::fromStdString(node->get_ref<const std::string &>()).compare(
                   QLatin1String("true"), Qt::CaseInsensitive) == 0;
    return false;
}

int JsonDocument::sizeOfArray(const QString &path) const
{
    const Json *node = find(path);
    if (!node || !node->is_array())
        return -1;
    return static_cast<int>(node->size());
}

bool JsonDocument::hasMember(const QString &path) const
{
    return find(path) != nullptr;
}

void JsonDocument::updateString(const QString &path, const QString &value)
{
    const std::vector<PathStep> &steps = stepsOf(path);
    if (steps.empty())
        return;
    Json *node = &m_root;
    for (const PathStep &step : steps) {
        if (!step.member.empty()) {
            if (!node->is_object())
                *node = Json::object();
            node = &(*node)[step.member];
        }
        if (step.index != PathStep::kNone) {
            const long index = indexOf(step);
            if (index < 0)
                return;
            if (!node->is_array())
                *node = Json::array();
            while (node->size() <= static_cast<std::size_t>(index))
                node->push_back(Json::object());
            node = &(*node)[static_cast<std::size_t>(index)];
        }
    }
    *node = value.toStdString();
}

QByteArray JsonDocument::emitCompact() const
{
    JsonWriter writer(false, std::string::npos);
    writer.write(m_root, 0);
    return QByteArray::fromStdString(writer.text());
}

QString JsonDocument::emitIndented(qsizetype maxChars) const
{
    // A character takes at most 4 bytes: this budget always covers maxChars.
    const std::size_t budget = maxChars < 0 ? std::string::npos
                                            : static_cast<std::size_t>(maxChars) * 4 + 4;
    JsonWriter writer(true, budget);
    writer.write(m_root, 0);
    std::string &text = writer.text();
    if (writer.full())
        trimToUtf8Boundary(text);
    QString result = QString::fromStdString(text);
    if (maxChars >= 0 && result.size() > maxChars)
        result.truncate(maxChars);
    return result;
}
