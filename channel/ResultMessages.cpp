#include "channel/ResultMessages.h"

#include "veko.h"

UINT NeedYourResultMessage() {
    static const UINT message = ::RegisterWindowMessageW(veko::kNeedYourResultMessage);
    return message;
}

UINT ThisMyScanResultMessage() {
    static const UINT message = ::RegisterWindowMessageW(veko::kThisMyScanResultMessage);
    return message;
}

UINT NewUrlResultMessage() {
    static const UINT message = ::RegisterWindowMessageW(veko::kNewUrlResultMessage);
    return message;
}
