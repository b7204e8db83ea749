// The window-test helpers of tests/ui, compiled into this executable as well.
#include "ui/UiTestSupport.cpp"
