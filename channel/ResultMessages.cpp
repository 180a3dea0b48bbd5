#include "channel/ResultMessages.h"

#include "toolkit/RawWindow.h"
#include "veko.h"

namespace {

UINT g_needYourResult = 0;
UINT g_thisMyScanResult = 0;
UINT g_newUrlResult = 0;

}  // namespace

UINT NeedYourResultMessage() {
    return RegisteredMessage(g_needYourResult, veko::kNeedYourResultMessage);
}

UINT ThisMyScanResultMessage() {
    return RegisteredMessage(g_thisMyScanResult, veko::kThisMyScanResultMessage);
}

UINT NewUrlResultMessage() { return RegisteredMessage(g_newUrlResult, veko::kNewUrlResultMessage); }
