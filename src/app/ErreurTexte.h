#pragma once

#include <QString>

#include <exception>

// The French text of an error caught where an action began.
QString ErreurTexte(const std::exception &e);
