// OLE DB, as much of it as the SQL Server source calls: the types of
// column information, bindings and row handles, the status codes, the
// HRESULTs, and the data source, session, command, rowset, accessor,
// schema-rowset and error-record interfaces.  The provider behind them
// (oledb_provider.h) works over ODBC.
//
// Text: LPOLESTR holds UTF-8 bytes (see platform/oleaut/oleaut_types.h);
// only values bound as DBTYPE_WSTR in a row buffer are UTF-16 (WCHAR).
// Lengths in a row buffer are 32-bit: DBLENGTH is a ULONG.
#pragma once

#include <cstdint>

#include "platform/oleaut/oleauto.h"

using WCHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using DBTYPE = WORD;
using DBLENGTH = ULONG;
using DBBYTEOFFSET = ULONG;
using DBORDINAL = ULONG;
using DBCOUNTITEM = ULONG;
using DBROWCOUNT = LONG;
using DBROWOFFSET = LONG;
using DBREFCOUNT = ULONG;
using DBSTATUS = DWORD;
using DBBINDSTATUS = DWORD;
using DBROWSTATUS = DWORD;
using DBROWOPTIONS = DWORD;
using DBCOLUMNFLAGS = DWORD;
using DBACCESSORFLAGS = DWORD;
using DBPART = DWORD;
using DBMEMOWNER = DWORD;
using DBPARAMIO = DWORD;
using DBKIND = DWORD;
using HROW = std::uintptr_t;
using HACCESSOR = std::uintptr_t;
using HCHAPTER = std::uintptr_t;

constexpr HCHAPTER DB_NULL_HCHAPTER = 0;
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

enum : DBTYPE {
  DBTYPE_EMPTY = 0, DBTYPE_NULL = 1, DBTYPE_I2 = 2, DBTYPE_I4 = 3, DBTYPE_R4 = 4, DBTYPE_R8 = 5,
  DBTYPE_CY = 6, DBTYPE_DATE = 7, DBTYPE_BSTR = 8, DBTYPE_ERROR = 10, DBTYPE_BOOL = 11,
  DBTYPE_VARIANT = 12, DBTYPE_IUNKNOWN = 13, DBTYPE_DECIMAL = 14, DBTYPE_I1 = 16, DBTYPE_UI1 = 17,
  DBTYPE_UI2 = 18, DBTYPE_UI4 = 19, DBTYPE_I8 = 20, DBTYPE_UI8 = 21, DBTYPE_GUID = 72,
  DBTYPE_BYTES = 128, DBTYPE_STR = 129, DBTYPE_WSTR = 130, DBTYPE_NUMERIC = 131,
  DBTYPE_DBDATE = 133, DBTYPE_DBTIME = 134, DBTYPE_DBTIMESTAMP = 135,
};

enum : DBSTATUS {
  DBSTATUS_S_OK = 0,
  DBSTATUS_E_BADACCESSOR = 1,
  DBSTATUS_E_CANTCONVERTVALUE = 2,
  DBSTATUS_S_ISNULL = 3,
  DBSTATUS_S_TRUNCATED = 4,
};

enum : DBCOLUMNFLAGS {
  DBCOLUMNFLAGS_ISBOOKMARK = 0x1,
  DBCOLUMNFLAGS_MAYDEFER = 0x2,
  DBCOLUMNFLAGS_WRITE = 0x4,
  DBCOLUMNFLAGS_ISFIXEDLENGTH = 0x10,
  DBCOLUMNFLAGS_ISNULLABLE = 0x20,
  DBCOLUMNFLAGS_MAYBENULL = 0x40,
  DBCOLUMNFLAGS_ISLONG = 0x80,
};

constexpr DBPART DBPART_VALUE = 0x1, DBPART_LENGTH = 0x2, DBPART_STATUS = 0x4;
constexpr DBMEMOWNER DBMEMOWNER_CLIENTOWNED = 0;
constexpr DBACCESSORFLAGS DBACCESSOR_ROWDATA = 0x2;
constexpr DBKIND DBKIND_NAME = 2;
constexpr DBBINDSTATUS DBBINDSTATUS_OK = 0, DBBINDSTATUS_BADORDINAL = 1;

// The size a provider reports for a column without a limit (text, ntext,
// image and the max types); one more still fits in 32 bits.
constexpr DBLENGTH oledb_long_column_size = 2147483647;

// HRESULTs of OLE DB (facility ITF, 0x0E00 range) and the success codes.
constexpr HRESULT DB_S_ENDOFROWSET = 0x00040EC6;
constexpr HRESULT DB_S_ERRORSOCCURRED = 0x00040EDA;
constexpr HRESULT DB_E_BADACCESSORHANDLE = static_cast<HRESULT>(0x80040E00u);
constexpr HRESULT DB_E_BADROWHANDLE = static_cast<HRESULT>(0x80040E04u);
constexpr HRESULT DB_E_CANTCONVERTVALUE = static_cast<HRESULT>(0x80040E07u);
constexpr HRESULT DB_E_NOCOMMAND = static_cast<HRESULT>(0x80040E0Cu);
constexpr HRESULT DB_E_ERRORSINCOMMAND = static_cast<HRESULT>(0x80040E14u);
constexpr HRESULT DB_E_ERRORSOCCURRED = static_cast<HRESULT>(0x80040E21u);
constexpr HRESULT DB_E_INTEGRITYVIOLATION = static_cast<HRESULT>(0x80040E2Fu);
constexpr HRESULT DB_E_NOTABLE = static_cast<HRESULT>(0x80040E37u);
constexpr HRESULT DB_E_BADCOLUMNID = static_cast<HRESULT>(0x80040E11u);
constexpr HRESULT DB_SEC_E_AUTH_FAILED = static_cast<HRESULT>(0x80040E4Du);
constexpr HRESULT DB_E_NOTSUPPORTED = static_cast<HRESULT>(0x80040E53u);
constexpr HRESULT DB_E_ALREADYINITIALIZED = static_cast<HRESULT>(0x80040E52u);
constexpr HRESULT DB_E_NOTINITIALIZED = static_cast<HRESULT>(0x80040E4Eu);
constexpr HRESULT DB_E_BADBINDINFO = static_cast<HRESULT>(0x80040E08u);
constexpr HRESULT DB_E_ROWSNOTRELEASED = static_cast<HRESULT>(0x80040E25u);

struct DBID {
  GUID uGuid{};  // unused by this provider
  DBKIND eKind = DBKIND_NAME;
  union {
    LPOLESTR pwszName;
    ULONG ulPropid;
  } uName{nullptr};
};

struct DBCOLUMNINFO {
  LPOLESTR pwszName;
  void* pTypeInfo;
  DBORDINAL iOrdinal;
  DBCOLUMNFLAGS dwFlags;
  DBLENGTH ulColumnSize;
  DBTYPE wType;
  BYTE bPrecision;
  BYTE bScale;
  DBID columnid;
};

struct DBBINDING {
  DBORDINAL iOrdinal;
  DBBYTEOFFSET obValue;
  DBBYTEOFFSET obLength;
  DBBYTEOFFSET obStatus;
  void* pTypeInfo;
  void* pObject;
  void* pBindExt;
  DBPART dwPart;
  DBMEMOWNER dwMemOwner;
  DBPARAMIO eParamIO;
  DBLENGTH cbMaxLen;
  DWORD dwFlags;
  DBTYPE wType;
  BYTE bPrecision;
  BYTE bScale;
};

// One error record's basic information.
struct ERRORINFO {
  HRESULT hrError;
  DWORD dwMinor;
  CLSID clsid;
  IID iid;
  LONG dispid;
};

constexpr CLSID CLSID_MSDAINITIALIZE = {0x2206CDB0, 0x19C1, 0x11D1, {0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29}};
constexpr GUID DBGUID_DEFAULT = {0xC8B521FB, 0x5CF3, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
constexpr GUID DBSCHEMA_TABLES = {0xC8B52229, 0x5CF3, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
constexpr GUID DBSCHEMA_PRIMARY_KEYS = {0xC8B522C5, 0x5CF3, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
constexpr GUID DBSCHEMA_INDEXES = {0xC8B5221E, 0x5CF3, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
constexpr IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// Identifiers in the OLE DB family 0x0C733Axx-2A1C-11CE-ADE5-00AA0044773D.
constexpr IID oledb_iid(ULONG low) { return {0x0C733A00u | low, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}}; }

class IDataInitialize : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0xFF);
  virtual HRESULT GetDataSource(IUnknown* outer, DWORD clsctx, LPCOLESTR init_string, REFIID riid,
                                IUnknown** data_source) = 0;
};

class IDBInitialize : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x8B);
  virtual HRESULT Initialize() = 0;
  virtual HRESULT Uninitialize() = 0;
};

class IDBCreateSession : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x5D);
  virtual HRESULT CreateSession(IUnknown* outer, REFIID riid, IUnknown** session) = 0;
};

class IOpenRowset : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x69);
  virtual HRESULT OpenRowset(IUnknown* outer, DBID* table_id, DBID* index_id, REFIID riid, ULONG property_sets,
                             void* property_set_array, IUnknown** rowset) = 0;
};

class IDBCreateCommand : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x1D);
  virtual HRESULT CreateCommand(IUnknown* outer, REFIID riid, IUnknown** command) = 0;
};

class ICommand : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x63);
  virtual HRESULT Cancel() = 0;
  // riid IID_NULL: run the statement and answer no rowset.
  virtual HRESULT Execute(IUnknown* outer, REFIID riid, void* params, DBROWCOUNT* rows_affected,
                          IUnknown** rowset) = 0;
};

class ICommandText : public ICommand {
 public:
  static constexpr IID iid = oledb_iid(0x27);
  virtual HRESULT SetCommandText(REFGUID dialect, LPCOLESTR text) = 0;
};

class IDBSchemaRowset : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x7B);
  virtual HRESULT GetRowset(IUnknown* outer, REFGUID schema, ULONG restriction_count,
                            const VARIANT restrictions[], REFIID riid, ULONG property_sets,
                            void* property_set_array, IUnknown** rowset) = 0;
};

class IColumnsInfo : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x11);
  // *info is one CoTaskMemAlloc block holding the array and the names; the
  // caller frees it with CoTaskMemFree.  strings_buffer may be null.
  virtual HRESULT GetColumnInfo(DBORDINAL* count, DBCOLUMNINFO** info, OLECHAR** strings_buffer) = 0;
};

class IAccessor : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x8C);
  virtual HRESULT CreateAccessor(DBACCESSORFLAGS flags, DBCOUNTITEM count, const DBBINDING bindings[],
                                 DBLENGTH row_size, HACCESSOR* accessor, DBBINDSTATUS status[]) = 0;
  virtual HRESULT ReleaseAccessor(HACCESSOR accessor, DBREFCOUNT* refs) = 0;
};

class IRowset : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x7C);
  // Fills the row buffer through the accessor's bindings.
  virtual HRESULT GetData(HROW row, HACCESSOR accessor, void* data) = 0;
  // *rows: the caller's array, or null for one the provider allocates
  // with CoTaskMemAlloc.  DB_S_ENDOFROWSET when fewer rows remained.
  virtual HRESULT GetNextRows(HCHAPTER chapter, DBROWOFFSET offset, DBROWCOUNT count, DBCOUNTITEM* obtained,
                              HROW** rows) = 0;
  virtual HRESULT ReleaseRows(DBCOUNTITEM count, const HROW rows[], DBROWOPTIONS options[], DBREFCOUNT refs[],
                              DBROWSTATUS status[]) = 0;
  // Back before the first row; runs the statement again.
  virtual HRESULT RestartPosition(HCHAPTER chapter) = 0;
};

class IErrorInfo : public IUnknown {
 public:
  static constexpr IID iid = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
  virtual HRESULT GetSource(BSTR* source) = 0;
  virtual HRESULT GetDescription(BSTR* description) = 0;
};

class ISQLErrorInfo : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x74);
  virtual HRESULT GetSQLInfo(BSTR* sqlstate, LONG* native_error) = 0;
};

class IErrorRecords : public IUnknown {
 public:
  static constexpr IID iid = oledb_iid(0x67);
  virtual HRESULT GetRecordCount(ULONG* count) = 0;
  virtual HRESULT GetBasicErrorInfo(ULONG record, ERRORINFO* info) = 0;
  virtual HRESULT GetCustomErrorObject(ULONG record, REFIID riid, IUnknown** object) = 0;
  virtual HRESULT GetErrorInfo(ULONG record, LCID lcid, IErrorInfo** info) = 0;
};

constexpr IID IID_IDataInitialize = IDataInitialize::iid;
constexpr IID IID_IDBInitialize = IDBInitialize::iid;
constexpr IID IID_IDBCreateSession = IDBCreateSession::iid;
constexpr IID IID_IOpenRowset = IOpenRowset::iid;
constexpr IID IID_IDBCreateCommand = IDBCreateCommand::iid;
constexpr IID IID_ICommand = ICommand::iid;
constexpr IID IID_ICommandText = ICommandText::iid;
constexpr IID IID_IDBSchemaRowset = IDBSchemaRowset::iid;
constexpr IID IID_IColumnsInfo = IColumnsInfo::iid;
constexpr IID IID_IAccessor = IAccessor::iid;
constexpr IID IID_IRowset = IRowset::iid;
constexpr IID IID_IErrorInfo = IErrorInfo::iid;
constexpr IID IID_ISQLErrorInfo = ISQLErrorInfo::iid;
constexpr IID IID_IErrorRecords = IErrorRecords::iid;

// COM services the source side calls.  They live in their own inline
// namespace: the DAO stand-in brings its own for its classes, and a
// program links both.
inline namespace oledb_com {
HRESULT CoInitialize(void* reserved);
void CoUninitialize();
// Only CLSID_MSDAINITIALIZE is known; IID_IDataInitialize or IID_IUnknown.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsctx, REFIID riid, void** object);
}  // namespace oledb_com
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* block);
// The calling thread's error object: GetErrorInfo hands it over (S_FALSE
// and null when there is none) and clears it; SetErrorInfo replaces it.
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
LCID GetUserDefaultLCID();
