#pragma once

#include <QString>

// How to reach the one mail relay: always a plain connection upgraded with
// STARTTLS, login and password authentication, and bounded waits.
struct SmtpSettings
{
    static constexpr int kConnectTimeoutSecs = 15;
    static constexpr int kTotalTimeoutSecs = 60;

    QString host;
    int port = 587;
    QString user;
    QString password;
    QString caFile; // extra trusted certificate, added to the system ones
    int connectTimeoutSecs = kConnectTimeoutSecs;
    int totalTimeoutSecs = kTotalTimeoutSecs;
};
