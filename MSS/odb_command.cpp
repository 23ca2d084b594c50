#include "MSS/odb_command.h"

#include "MSS/odb_exception.h"
#include "TK/tk_trace.h"

ole_com_ptr<IOpenRowset> odb_open_session(IDBInitialize& data_source) {
  ole_com_ptr<IDBCreateSession> factory;
  odb_check(data_source.QueryInterface(IID_IDBCreateSession, reinterpret_cast<void**>(factory.address())));
  ole_com_ptr<IOpenRowset> session;
  odb_check(factory->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(session.address())));
  return session;
}

odb_command::odb_command(IOpenRowset& session) {
  TK_TRACE(1, "odb_command::ctor(1)");
  session.AddRef();
  session_.reset(&session);
  create_command();
}

odb_command::odb_command(IDBInitialize& data_source) {
  TK_TRACE(1, "odb_command::ctor(2)");
  session_ = odb_open_session(data_source);
  create_command();
}

void odb_command::create_command() {
  ole_com_ptr<IDBCreateCommand> factory;
  odb_check(session_->QueryInterface(IID_IDBCreateCommand, reinterpret_cast<void**>(factory.address())));
  ole_com_ptr<ICommand> command;
  odb_check(factory->CreateCommand(nullptr, IID_ICommand, reinterpret_cast<IUnknown**>(command.address())));
  odb_check(command->QueryInterface(IID_ICommandText, reinterpret_cast<void**>(command_text_.address())));
}

void odb_command::execute(const std::string& sql, ole_com_ptr<IRowset>* rowset) {
  TK_TRACE(1, "odb_command::execute(%s)", sql.c_str());
  odb_check(command_text_->SetCommandText(DBGUID_DEFAULT, sql.c_str()));
  IUnknown** out = rowset != nullptr ? reinterpret_cast<IUnknown**>(rowset->address()) : nullptr;
  odb_check(command_text_->Execute(nullptr, rowset != nullptr ? IID_IRowset : IID_NULL, nullptr, nullptr, out));
}
