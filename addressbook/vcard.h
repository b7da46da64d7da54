#pragma once

#include "adresar.h"

#include <QByteArray>
#include <QList>

// The loaded contacts as a vCard 3.0 file (RFC 2426): UTF-8, CRLF line
// ends, lines folded at 75 octets (never inside a UTF-8 character), text
// values escaped (backslash, comma, semicolon, line end).
//
//   FN          ZobrJmeno; when empty "Krestni Prijmeni", else OFirma,
//               else the first number
//   N           Prijmeni;Krestni
//   TEL         SoukTel HOME,VOICE  ObchTel WORK,VOICE  SoukMobil HOME,CELL
//               ObchMobil WORK,CELL  SFax HOME,FAX  OFax WORK,FAX
//   EMAIL       SEmail1/2 INTERNET,HOME  OEmail1/2 INTERNET,WORK
//   URL         SWWW, OWWW
//   ADR         HOME and WORK: ;Dodatek;Ulice;Mesto;Zeme2;PSC;Zeme1
//   ORG, TITLE  OFirma, OPozice
//   NOTE        SPoznamka and OPoznamka, one per line
//   BDAY        ONarozky (DD.MM.YYYY) as YYYY-MM-DD, when it is a real date
//   CATEGORIES  the name of the contact's group (entries 1 to 99)
//
// The ring tone and picture are names of handset files and are left out.
// A contact with no field at all (a record without any known field) is
// left out too.
QByteArray AdresarToVCard(const QList<TAdresar> &contacts, const QList<TSkupiny> &skupiny);

// One vCard of the file above.
QByteArray ContactToVCard(const TAdresar &contact, const QList<TSkupiny> &skupiny);

// Whether the contact has any field with a value.
bool HasAnyField(const TAdresar &contact);
