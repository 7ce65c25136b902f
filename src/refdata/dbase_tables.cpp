#include "refdata/dbase_tables.h"

namespace vexo {

DbaseTables g_dbase;

}  // namespace vexo
