#pragma once

class TForm1;
class TNovaSMSDlg;

// Creates the compose dialog for the main window and connects the SMS
// page's openings to it: Nova_SMS and NovSMS1 (new message), Odpoved_SMS,
// UpravSMS1 and a double-click on a ListSMS row (reply).
TNovaSMSDlg *AttachSmsCompose(TForm1 &form);
