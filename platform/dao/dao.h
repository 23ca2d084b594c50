// The DAO object model the Access side is written against, as COM-shaped
// interfaces: reference-counted objects (IUnknown), BSTR and VARIANT
// arguments, HRESULT status codes. Only the operations the Access side
// calls are here, with DAO's own constants.
//
// Every call that fails answers a failure code and leaves the engine's
// Errors collection holding that failure's DAO error number and
// description (Errors.Item(0)); a successful call leaves it unchanged.
//
// Objects come from the engine made by CoCreateInstance (dao_com.h) with
// one of the two engine class identifiers. Thread-safety: an engine and
// everything taken from it belong to the thread that created the engine.
#pragma once

#include "platform/oleaut/oleauto.h"

// DAO's DataTypeEnum values (Field.Type).
enum dao_data_type : short {
  dbBoolean = 1,
  dbByte = 2,
  dbInteger = 3,
  dbLong = 4,
  dbCurrency = 5,
  dbSingle = 6,
  dbDouble = 7,
  dbDate = 8,
  dbBinary = 9,
  dbText = 10,
  dbLongBinary = 11,
  dbMemo = 12,
  dbGUID = 15,
  dbDecimal = 20,
};

constexpr LONG dbFixedField = 0x1;        // Field.Attributes
constexpr LONG dbVariableField = 0x2;
constexpr LONG dbAutoIncrField = 0x10;
constexpr LONG dbAttachedTable = 0x40000000;  // TableDef.Attributes
constexpr LONG dbAttachedODBC = 0x20000000;
constexpr LONG dbSystemObject = static_cast<LONG>(0x80000002u);
constexpr LONG dbOpenTable = 1;           // OpenRecordset Type
constexpr LONG dbOpenDynaset = 2;
constexpr LONG dbReadOnly = 4;            // OpenRecordset Options
constexpr LONG dbAppendOnly = 8;
constexpr LONG dbUpdateRegular = 1;       // Update Type
constexpr LONG dbVersion30 = 32;          // CreateDatabase Option
constexpr LONG dbVersion40 = 64;

// DAO's interface identifiers: {000000xx-0000-0010-8000-00AA006D2EA4}.
constexpr GUID dao_iid(ULONG data1) {
  return GUID{data1, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
}
// The engine classes: DAO 3.6 writes Access 2000 (Jet 4) files, DAO 3.5
// Access 95/97 (Jet 3) files.
constexpr CLSID CLSID_DBEngine36 = dao_iid(0x00000100);
constexpr CLSID CLSID_DBEngine35 = dao_iid(0x00000010);

class _Field;

class DAOError : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000021);
  virtual HRESULT get_Number(LONG* number) = 0;
  virtual HRESULT get_Description(BSTR* text) = 0;
};

class Errors : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000025);
  virtual HRESULT get_Count(SHORT* count) = 0;
  virtual HRESULT get_Item(VARIANT index, DAOError** out) = 0;
};

// Fields of a table definition, of an index or of a recordset's row. Items
// are found by position or by name (letter case ignored).
class Fields : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000053);
  virtual HRESULT get_Count(SHORT* count) = 0;
  virtual HRESULT get_Item(VARIANT index, _Field** out) = 0;
  virtual HRESULT Append(IUnknown* field) = 0;
};

class IndexFields : public Fields {
 public:
  static constexpr IID iid = dao_iid(0x0000005C);
};

class _Field : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000051);
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_Type(SHORT* type) = 0;
  // Text and Binary: the declared size; Memo and Long Binary 0; other
  // types their width in bytes.
  virtual HRESULT get_Size(LONG* size) = 0;
  virtual HRESULT get_Required(VARIANT_BOOL* required) = 0;
  virtual HRESULT put_Required(VARIANT_BOOL required) = 0;
  virtual HRESULT get_AllowZeroLength(VARIANT_BOOL* allow) = 0;
  virtual HRESULT put_AllowZeroLength(VARIANT_BOOL allow) = 0;
  virtual HRESULT get_DefaultValue(VARIANT* value) = 0;
  virtual HRESULT put_DefaultValue(VARIANT value) = 0;
  virtual HRESULT get_Attributes(LONG* attributes) = 0;
  virtual HRESULT put_Attributes(LONG attributes) = 0;
  // A recordset field's value in the current row; Null elsewhere.
  virtual HRESULT get_Value(VARIANT* value) = 0;
};

class _Index : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000059);
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_Primary(VARIANT_BOOL* primary) = 0;
  virtual HRESULT put_Primary(VARIANT_BOOL primary) = 0;
  virtual HRESULT get_Unique(VARIANT_BOOL* unique) = 0;
  virtual HRESULT put_Unique(VARIANT_BOOL unique) = 0;
  // A VT_UNKNOWN whose object answers QueryInterface for IndexFields.
  virtual HRESULT get_Fields(VARIANT* fields) = 0;
  virtual HRESULT CreateField(VARIANT name, VARIANT type, VARIANT size, _Field** out) = 0;
};

class Indexes : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x0000005D);
  virtual HRESULT get_Count(SHORT* count) = 0;
  virtual HRESULT get_Item(VARIANT index, _Index** out) = 0;
  virtual HRESULT Append(IUnknown* index) = 0;
};

// A table definition. A new one (Database.CreateTableDef) collects fields
// and indexes whose properties may change until TableDefs.Append; nothing
// reaches the file before that.
class _TableDef : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000049);
  virtual HRESULT get_Attributes(LONG* attributes) = 0;
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_RecordCount(LONG* count) = 0;
  virtual HRESULT get_Fields(Fields** out) = 0;
  virtual HRESULT get_Indexes(Indexes** out) = 0;
  virtual HRESULT CreateField(VARIANT name, VARIANT type, VARIANT size, _Field** out) = 0;
  virtual HRESULT CreateIndex(VARIANT name, _Index** out) = 0;
};

class TableDefs : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x0000004D);
  virtual HRESULT get_Count(SHORT* count) = 0;
  virtual HRESULT get_Item(VARIANT index, _TableDef** out) = 0;
  virtual HRESULT Append(IUnknown* tabledef) = 0;
  virtual HRESULT Delete(BSTR name) = 0;
};

class Recordset : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000031);
  // Starts a new row; a pending row that was not written is dropped.
  virtual HRESULT AddNew() = 0;
  // Assigns a field of the pending row by name, converting the value to
  // the field's type. Fails with 3047 when the row would grow too large.
  virtual HRESULT put_Collect(VARIANT item, VARIANT value) = 0;
  virtual HRESULT Update(LONG type, VARIANT_BOOL force) = 0;
  virtual HRESULT get_EOF(VARIANT_BOOL* eof) = 0;
  virtual HRESULT get_BOF(VARIANT_BOOL* bof) = 0;
  virtual HRESULT MoveFirst() = 0;
  virtual HRESULT MoveNext() = 0;
  virtual HRESULT MovePrevious() = 0;
  virtual HRESULT get_Fields(Fields** out) = 0;
  virtual HRESULT Close() = 0;
};

class _QueryDef : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000079);
  // Serves "SELECT * FROM [table]" as a dynaset, append-only or read-only.
  virtual HRESULT OpenRecordset(VARIANT type, VARIANT options, VARIANT lock_edit, Recordset** out) = 0;
};

class Database : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000071);
  virtual HRESULT get_TableDefs(TableDefs** out) = 0;
  virtual HRESULT CreateTableDef(VARIANT name, VARIANT attributes, VARIANT source_table, VARIANT connect,
                                 _TableDef** out) = 0;
  // A temporary query (empty name) over `sql`.
  virtual HRESULT CreateQueryDef(VARIANT name, VARIANT sql, _QueryDef** out) = 0;
  // Writes everything out and closes the file; later calls fail.
  virtual HRESULT Close() = 0;
};

class _DBEngine : public IUnknown {
 public:
  static constexpr IID iid = dao_iid(0x00000020);
  virtual HRESULT get_Errors(Errors** out) = 0;
  // Connect ";LANGID=0x0409;CP=1252;COUNTRY=0" (the general sort order);
  // Option empty: the engine's own file format.
  virtual HRESULT CreateDatabase(BSTR name, BSTR connect, VARIANT option, Database** out) = 0;
  // Options: exclusive; Connect: empty or ";pwd=" and the password.
  virtual HRESULT OpenDatabase(BSTR name, VARIANT options, VARIANT read_only, VARIANT connect,
                               Database** out) = 0;
};
