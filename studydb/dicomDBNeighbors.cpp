#include "studydb/RowId.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/DateTimeRoutines.h"

#include <cstdlib>

// The neighbour table: DICOM peers that answered or announced themselves.

void dicomDB::saveNeighbor(int device, const std::string& name, const std::string& ip,
                           const std::string& port, const std::string& appid) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return;
    }
    const std::string now = NSUI::getCurrentDateTime();
    NSUI::NSDBDataModel rows;
    bool done = connection.getRecords("select ID from neighbor where appid=?", {appid}, &rows);
    long long row = 0;
    if (done && rows.getRowCount() > 0 && studydb::parseRowId(rows.getValue(0, 0), row)) {
        done = connection.executeSql(
            "update neighbor set device=?,name=?,wifi=?,port=?,ip=?  where ID=?",
            {device, name, now, port, ip, row});
    } else if (done) {
        done = connection.executeSql("insert into neighbor(device,name,lastTime,saveType,ip,port,"
                                     "appid,wifi) values (?,?,'',3,?,?,?,?)",
                                     {device, name, ip, port, appid, now});
    }
    if (done) {
        connection.commit();
    } else {
        connection.rollback();
    }
}

void dicomDB::getNeighbors(std::vector<neighborInfo>& out) {
    out.clear();
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    NSUI::NSDBDataModel rows;
    if (!connection.getRecords("select device,name,lastTime,saveType,ip,ID,wifi,appid,port from "
                               "neighbor order by wifi desc",
                               &rows)) {
        return;
    }
    for (int i = 0; i < rows.getRowCount(); ++i) {
        if (rows.getColumnCount(i) < 9) {
            continue;
        }
        neighborInfo info;
        info.device = std::atoi(rows.getValue(i, 0).c_str());
        info.name = rows.getValue(i, 1);
        info.lastTime = rows.getValue(i, 2);
        info.saveType = std::atoi(rows.getValue(i, 3).c_str());
        info.ip = rows.getValue(i, 4);
        info.id = std::atoi(rows.getValue(i, 5).c_str());
        info.wifi = rows.getValue(i, 6);
        info.appid = rows.getValue(i, 7);
        info.port = rows.getValue(i, 8);
        info.selected = 0;
        out.push_back(info);
    }
}

void dicomDB::setNeighborWifi(const std::string& appid) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return;
    }
    NSUI::NSDBDataModel rows;
    long long row = 0;
    if (!connection.getRecords("select ID from neighbor where appid=?", {appid}, &rows) ||
        rows.getRowCount() == 0 || !studydb::parseRowId(rows.getValue(0, 0), row)) {
        connection.rollback();
        return;
    }
    NSUI::DateTimeFields today;
    NSUI::parseDateTime(NSUI::getCurrentDateTime(), today);
    today.hour = 0;
    today.minute = 0;
    today.second = 0;
    if (connection.executeSql("update neighbor set wifi=?  where ID=?",
                              {NSUI::formatDateTime(today), row})) {
        connection.commit();
    } else {
        connection.rollback();
    }
}
