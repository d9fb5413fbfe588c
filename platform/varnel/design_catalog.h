// The database a dataset works with at design time, found as opening the
// dataset would find it, and connections of their own to it.
#pragma once

#include <memory>

#include "server_connection.h"

class TVNDataSet;
class TVNDatabase;

enum TVNCatalogAccess { caReadOnly, caReadWrite };

// The dataset's database while attached, else the one its session finds under
// its DatabaseName (the default database for ""); null when there is none.
const TVNDatabase* DesignDatabase(const TVNDataSet& DataSet);
// That database's server type; DefServerType when there is none.
TVNServerType DataSetServerType(const TVNDataSet& DataSet);
// A new connection to that database with its Params (without one, the
// DatabaseName itself names a database of DefServerType), leaving the
// components as they are. EDatabaseError when it cannot be reached.
std::unique_ptr<TVNServerConnection> ConnectDataSetDatabase(const TVNDataSet& DataSet, TVNCatalogAccess Access);
