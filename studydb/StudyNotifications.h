#pragma once

// The notification keys of the application and data band (2000 to 2044). The study database
// and the DICOM services post and observe most of them; the rest belong to the screens of the
// application and are named here so that every key of the band has one name. Keys of the
// toolkit (1001 to 1007) are in toolkit/core/NSNotifyKeys.h, keys of the viewers
// (9001 to 9140), the series-loaded key 2000 and the memory warning 2035 in imagesdk.
namespace studydb {

// Filing of received and imported files.
// Text = the filed file's JSON; buffer = a new-series row set, owned by the data. Posted after
// NOTIFY_DB_PATIENTS_READY while the study list has been loaded.
constexpr int NOTIFY_DB_STUDIES_READY = 2001;
// Text = the filed file's JSON.
constexpr int NOTIFY_DB_PATIENTS_READY = 2002;
// Object = a StoredFileRecord: one stored or imported file to file.
constexpr int NOTIFY_DICOM_FILE_RECEIVED = 2016;
// Text = a path to import; second int = 1 to delete the source afterwards.
constexpr int NOTIFY_IMPORT_PATH = 2025;

// Library events (see DcmEventKeys for the translation).
// Text = the verification reply as JSON ("ok", "appid", "ip", "port", "name").
constexpr int NOTIFY_ECHO_REPLY = 2003;
// Text = "key|remaining|completed|failed|warning" of a retrieval.
constexpr int NOTIFY_RETRIEVE_PROGRESS = 2004;
// Text = the series UID of a retrieval that starts.
constexpr int NOTIFY_FIND_RESET = 2005;
// Text = the patient name of a finished retrieval.
constexpr int NOTIFY_RETRIEVE_READY = 2006;
// Text = the failed retrieval's ten fields joined by ",".
constexpr int NOTIFY_RETRIEVE_FAILED = 2007;
// Text = one query answer as a tag list.
constexpr int NOTIFY_FIND_ANSWER = 2008;
// Text = why the query failed.
constexpr int NOTIFY_FIND_FAILED = 2009;
// Object = a findPatientRow parsed from a query answer.
constexpr int NOTIFY_FIND_PATIENT_ROW = 2010;
// Object = a findSeriesRow parsed from a query answer.
constexpr int NOTIFY_FIND_SERIES_ROW = 2011;
// Second int = the send task's id; float = percent done.
constexpr int NOTIFY_SEND_PROGRESS = 2012;
// Second int = the send task's id.
constexpr int NOTIFY_SEND_DONE = 2013;
// Second int = the send task's id.
constexpr int NOTIFY_SEND_FAILED = 2014;
// Object = a send task the DICOM node screen drops from its list; group = that screen.
constexpr int NOTIFY_SEND_TASK_REMOVE = 2015;

// Peers.
// Text = the discovery message of a peer as JSON.
constexpr int NOTIFY_PEER_SEEN = 2019;
// Int = peers seen in the last ten seconds, -1 without a network address; text = why the storage
// node is not listening, empty while it listens.
constexpr int NOTIFY_PEER_COUNT = 2027;

// Favourites and notes.
// Text = a stored text note; int = its row ID.
constexpr int NOTIFY_FAVORITE_ADDED = 2037;
// Text = a stored voice note's path; int = its row ID; index = its length in seconds.
constexpr int NOTIFY_FAVORITE_DETAIL_ADDED = 2038;
// Text = a text note to store.
constexpr int NOTIFY_FAVORITE_TEXT_NOTE = 2039;
// Text = a voice recording's relative path; int = its length in seconds.
constexpr int NOTIFY_FAVORITE_VOICE_NOTE = 2040;
// Int = the row ID of a new time separator.
constexpr int NOTIFY_FAVORITE_LIST_CHANGED = 2041;

// Keys of the application's screens.
constexpr int NOTIFY_PATIENT_CHANGED = 2017;
constexpr int NOTIFY_SHARE_STEP = 2018;
constexpr int NOTIFY_THUMBNAIL_READY = 2020;
constexpr int NOTIFY_IMPORT_FINISHED = 2024;
constexpr int NOTIFY_APP_ACTIVE = 2026;
constexpr int NOTIFY_UPDATE_APK_REQUEST = 2028;
constexpr int NOTIFY_DICOM_MENU_OPEN = 2029;
constexpr int NOTIFY_QUICK_CAPTURE = 2030;
constexpr int NOTIFY_NEW_VERSION_CHECK = 2032;
constexpr int NOTIFY_CAPTURE_LIST_RELOAD = 2033;
constexpr int NOTIFY_LOGIN_CHANGED = 2034;
constexpr int NOTIFY_PATIENT_DELETED = 2036;
constexpr int NOTIFY_SERIES_PICKER_REQUEST = 2042;
constexpr int NOTIFY_SERIES_PICKER_DATA = 2043;
constexpr int NOTIFY_SERIES_CHOSEN = 2044;

}  // namespace studydb
