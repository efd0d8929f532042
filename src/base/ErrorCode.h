#pragma once

namespace orvane {

// Error numbers of the failures the program can meet. HTTP statuses of 400
// and more keep their own number; transfer errors are TransferBase plus the
// transfer library's code.
enum class ErrorCode : int {
    None = 0,

    // values and conversions
    Overflow = 21,
    NullValue = 22,
    TypeMismatch = 23,
    InvalidArgument = 24,

    // files
    FileWrite = 31,

    // the watch database
    DbNotFound = 6001,
    DbNotADatabase = 6002,
    DbLocked = 6003,
    DbCannotOpen = 6004,
    DbReadOnly = 6005,
    DbFull = 6006,
    DbCorrupt = 6007,
    DbIo = 6008,
    DbRejected = 6009,
    DbNoCurrentRecord = 6010,
    DbNotEditing = 6011,
    DbFieldNotFound = 6012,
    DbRecordDeleted = 6013,
    DbBadCriterion = 6014,
    DbConstraint = 6015,
    DbNotUpdatable = 6016,
    DbClosed = 6017,
    DbFieldTooSmall = 6018,
    DbEngine = 6099,

    // page fetch
    FetchTooLarge = 9001,
    FetchProtocol = 9002,
    FetchNoAddress = 9003,
    FetchUnaskedNotModified = 9004,

    // mail
    MailBadPort = 9101,
    MailBadAddress = 9102,
    MailNetrcUnsafe = 9103,
    MailNetrcUnusable = 9104,
    MailNeedsSmtpUtf8 = 9105,

    // the control channel between orvane-db and the running program
    ControlChannel = 9201,
    ControlListen = 9202,
    ControlUntrusted = 9203,
    ControlNoListener = 9204,

    TransferBase = 10000,
};

} // namespace orvane
