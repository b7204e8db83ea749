#include "FaultRule.h"

#include <utility>

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

} // namespace

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
