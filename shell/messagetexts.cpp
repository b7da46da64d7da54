#include "messagetexts.h"

// Windows-1250 bytes of the built-in Czech texts.
MessageTexts MessageTexts::defaults()
{
    MessageTexts t;
    t.noHandset = "Telefon neni p\xF8ipojen, nebo chybn\xE1 konfigurace portu";
    t.portBusy = "Port je pravd\xECpodobn\xEC pou\x9E\xEDv\xE1n jinou aplikac\xED.";
    t.portBusyHint = "Ukon\xE8\x65te aplikaci nebo restartujte po\xE8\xEDta\xE8 !";
    t.statusCannotOpen = "nelze otev\xF8\xEDt";
    t.statusReleased = "uvoln\xECn";
    t.closeError = "Chyba p\xF8i uzav\xEDr\xE1n\xED portu.";
    t.guardLine1 = "Byl zji\x9At\xECn b\xEC\x9E\xED" "c\xED Quallcomm Server";
    t.guardLine2 = "Komunik\xE1tor nemus\xED pracovat korektn\xEC";
    t.guardQuestion = "Chcete process ukon\xE8it";
    t.guardCaption = "Upozorn\xECn\xED";
    t.noMessages = "Nem\xE1te \x9E\xE1\x64n\xE9 SMS";
    return t;
}
