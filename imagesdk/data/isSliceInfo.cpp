#include "imagesdk/data/isSliceInfo.h"

namespace isImageSDK {

void isSliceInfo::copyTo(isSliceInfo* other) const {
    if (!other || other == this) {
        return;
    }
    void* keptData = other->data;
    *other = *this;
    other->data = keptData;
    other->loaded = true;
    other->loadFailed = false;
}

void isSliceInfo::copyHeaderTo(isSliceInfo* other) const {
    if (!other || other == this) {
        return;
    }
    other->orientationCode = orientationCode;
    other->headFeetCode = headFeetCode;
    other->instanceNumber = instanceNumber;
    other->path = path;
    other->modality = modality;
    other->windowWidth = windowWidth;
    other->windowCentre = windowCentre;
    other->rescaleIntercept = rescaleIntercept;
    other->rescaleSlope = rescaleSlope;
    other->signCode = signCode;
    other->extra = extra;
    other->acquired = acquired;
    other->injected = injected;
    other->decayValid = decayValid;
    other->halfLife = halfLife;
    other->decayCorrection = decayCorrection;
    other->decayFactor = decayFactor;
    other->sex = sex;
    other->units = units;
    other->totalDose = totalDose;
    other->patientWeight = patientWeight;
    other->patientSize = patientSize;
    other->suvFactor = suvFactor;
    other->scanOptions = scanOptions;
    other->triggerTime = triggerTime;
    other->rrIntervals = rrIntervals;
    other->timeSlots = timeSlots;
    other->slicesPerPhase = slicesPerPhase;
    other->timeSlices = timeSlices;
}

void isSliceInfo::toPatientAxes(float v[3]) const {
    const float x = v[0];
    const float y = v[1];
    const float z = v[2];
    const int orientation = (orientationCode >= 1 && orientationCode <= 3) ? orientationCode : 0;
    if (headFeetCode == 1) {
        switch (orientation) {
        case 1:
            v[0] = x, v[1] = z, v[2] = -y;
            break;
        case 2:
            v[0] = z, v[1] = -x, v[2] = -y;
            break;
        case 3:
            v[0] = -z, v[1] = x, v[2] = -y;
            break;
        default:
            v[0] = -x, v[1] = -z, v[2] = -y;
            break;
        }
        return;
    }
    switch (orientation) {
    case 1:
        v[0] = -x, v[1] = z, v[2] = y;
        break;
    case 2:
        v[0] = z, v[1] = x, v[2] = y;
        break;
    case 3:
        v[0] = -z, v[1] = -x, v[2] = y;
        break;
    default:
        v[0] = x, v[1] = -z, v[2] = y;
        break;
    }
}

}  // namespace isImageSDK
