#include "navigation/WelcomeGate.h"

namespace voltmere::WelcomeGate {

namespace {
bool wasOffered = false;
}

bool offered()
{
    return wasOffered;
}

void setOffered(bool offered)
{
    wasOffered = offered;
}

} // namespace voltmere::WelcomeGate
