#pragma once
// The dataset layer in one include: fields, datasets, data sources and links, and query parameters.
#include "platform/db/DBDataSet.h"
#include "platform/db/DBDataSource.h"
#include "platform/db/DBFields.h"
#include "platform/db/DBParams.h"
#include "platform/db/DBTypes.h"
