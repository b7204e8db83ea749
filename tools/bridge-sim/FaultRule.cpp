#include "FaultRule.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace bridgesim {

namespace {

FaultRule make(FaultRule::Kind kind, std::string path, int times)
{
    FaultRule rule;
    rule.kind = kind;
    rule.path = std::move(path);
    rule.times = times;
    return rule;
}

int number(const std::string &text, const std::string &spec)
{
    std::size_t used = 0;
    int value = -1;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception &) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < 0)
        throw std::invalid_argument("nombre attendu au lieu de \"" + text + "\" dans " + spec);
    return value;
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

FaultRule FaultRule::parse(const std::string &spec)
{
    const std::size_t at = spec.find('@');
    if (at == std::string::npos)
        throw std::invalid_argument("panne attendue sous la forme TYPE[=VALEUR]@/chemin[,option=valeur] : " + spec);
    const std::vector<std::string> options = split(spec.substr(at + 1), ',');
    if (options.front().empty() || options.front()[0] != '/')
        throw std::invalid_argument("chemin commencant par / attendu : " + spec);
    const std::string head = spec.substr(0, at);
    const std::size_t equal = head.find('=');
    const std::string kind = head.substr(0, equal);
    const std::string value = equal == std::string::npos ? std::string() : head.substr(equal + 1);
    const std::string &path = options.front();
    FaultRule rule;
    if (kind == "status")
        rule = statusCode(path, number(value, spec));
    else if (kind == "delay")
        rule = delay(path, number(value, spec));
    else if (kind == "malformed")
        rule = malformedJson(path);
    else if (kind == "html")
        rule = htmlPage(path, value.empty() ? 200 : number(value, spec));
    else if (kind == "loop")
        rule = loopNextUri(path);
    else
        throw std::invalid_argument("type de panne inconnu (status, delay, malformed, html, loop) : " + kind);
    for (std::size_t i = 1; i < options.size(); ++i) {
        const std::size_t sign = options[i].find('=');
        const std::string name = options[i].substr(0, sign);
        const std::string argument = sign == std::string::npos ? std::string() : options[i].substr(sign + 1);
        if (name == "times")
            rule.times = number(argument, spec);
        else if (name == "page")
            rule.page = number(argument, spec);
        else if (name == "account")
            rule.accountId = argument;
        else if (name == "retry-after")
            rule.retryAfterSeconds = number(argument, spec);
        else if (name == "method")
            rule.method = argument;
        else
            throw std::invalid_argument("option de panne inconnue : " + name);
    }
    return rule;
}

FaultRule FaultRule::statusCode(std::string path, int status, int times)
{
    FaultRule rule = make(Kind::Status, std::move(path), times);
    rule.status = status;
    return rule;
}

FaultRule FaultRule::delay(std::string path, int delayMs, int times)
{
    FaultRule rule = make(Kind::Delay, std::move(path), times);
    rule.delayMs = delayMs;
    return rule;
}

FaultRule FaultRule::malformedJson(std::string path, int times)
{
    return make(Kind::MalformedJson, std::move(path), times);
}

FaultRule FaultRule::htmlPage(std::string path, int status, int times)
{
    FaultRule rule = make(Kind::HtmlPage, std::move(path), times);
    rule.status = status;
    return rule;
}

FaultRule FaultRule::loopNextUri(std::string path, int times)
{
    return make(Kind::LoopNextUri, std::move(path), times);
}

FaultRule &FaultRule::withRetryAfter(int seconds)
{
    retryAfterSeconds = seconds;
    return *this;
}

FaultRule &FaultRule::onMethod(std::string verb)
{
    method = std::move(verb);
    return *this;
}

FaultRule &FaultRule::forAccount(std::string id)
{
    accountId = std::move(id);
    return *this;
}

FaultRule &FaultRule::onPage(int number)
{
    page = number;
    return *this;
}

FaultRule &FaultRule::withBody(std::string text)
{
    body = std::move(text);
    return *this;
}

} // namespace bridgesim
