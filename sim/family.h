#pragma once

// The interface of a command family: one source file in families/ that
// registers what it answers. Nothing outside families/ needs to change to
// add one (the build picks up every families/*.cpp).
//
// How to add a command family (copy this into families/<name>.cpp):
//
//   #include "../family.h"
//
//   namespace {
//
//   // AT+CXYZ?  ->  +CXYZ: <level>
//   // AT+CXYZ=n ->  sets the level (0..9), +CME ERROR: 50 otherwise
//   AtResult cxyz(AtContext &ctx, const AtCommand &cmd)
//   {
//       switch (cmd.type) {
//       case AtType::Read:
//           ctx.line("+CXYZ: " + ctx.state().value("xyz.level"));
//           return AtResult::ok();
//       case AtType::Set:
//           return ctx.setNumber(cmd, 0, "xyz.level", 0, 9);
//       case AtType::Test:
//           ctx.line("+CXYZ: (0-9)");
//           return AtResult::ok();
//       default:
//           return AtResult::error();
//       }
//   }
//
//   const Family family("xyz", [](Registry &r) {
//       r.key("xyz.level", "3", "level of the xyz feature, 0..9 (AT+CXYZ)");
//       r.at("+CXYZ", cxyz);
//       r.control("xyz", "xyz reset: puts the level back", [](Simulator &sim, const std::string &) {
//           sim.state().set("xyz.level", "3");
//           return std::string("OK\n");
//       });
//   });
//
//   } // namespace
//
// Names given to r.at() are upper case: "+CXYZ", "^SXYZ", or a basic command
// letter ("E", "&F"). Commands arrive upper-cased outside quotes, so
// "at+cxyz=1" reaches the same handler. A handler adds information lines with
// ctx.line() and returns the final result; the engine adds the CR LF framing,
// echo and "OK"/"ERROR"/"+CME ERROR: n" as the session asks. Diagnostic
// frames are registered with r.diag(command, subcommand, handler): the
// handler gets the un-framed payload and returns the reply payload (framing
// and check value are added by the diagnostic port).

#include "simulator.h"
