#pragma once

namespace tarnwick {

// Codes the engine stores in place of a server's reply code when a failure is its own.
enum EngineCode : int {
    kCodeListenPortUnreadable = 5000, // the listening socket's port cannot be read (PORT)
    kCodeSocketCreate = 5001,         // a control or listening socket cannot be created
    kCodeListenFailed = 5002,         // the listening socket cannot listen
    kCodeDataCommandRefused = 5003,   // PORT/PASV not sent or not answered 200/227
    kCodeDataAcceptOrFile = 5004,     // the data connection is not accepted, or the local
                                      // file cannot be opened
};

} // namespace tarnwick
