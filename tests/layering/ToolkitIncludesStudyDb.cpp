// The toolkit sits below the study database and the application.
#include "studydb/dicomDB.h"
