#include "drivers/test_hooks.h"

#include "drivers/driver.h"

using kivo::px::ThisDriver;

void PX_TestReset(void) {
    ThisDriver().TestReset();
}
void PX_TestRecordCalls(int32_t on) {
    ThisDriver().TestRecordCalls(on != 0);
}
uint32_t PX_TestCallCount(void) {
    return ThisDriver().TestCallCount();
}
int32_t PX_TestGetCall(uint32_t index, PxCallRecord* record) {
    return ThisDriver().TestGetCall(index, record) ? 1 : 0;
}
void PX_TestClearCalls(void) {
    ThisDriver().TestClearCalls();
}
void PX_TestFailCall(const PxFailure* failure) {
    if (failure != nullptr) {
        ThisDriver().TestFailCall(*failure);
    }
}
uint32_t PX_TestControl(const char* line, char* reply, uint32_t replySize) {
    return ThisDriver().TestControl(line, reply, replySize);
}
uint32_t PX_TestPutFile(uint8_t memory, uint8_t fileType, const char* name, const void* data,
                        uint32_t size) {
    return ThisDriver().TestPutFile(memory, fileType, name, data, size);
}
int32_t PX_TestGetFile(uint8_t index, void* buffer, uint32_t capacity, uint32_t* size) {
    return ThisDriver().TestGetFile(index, buffer, capacity, size) ? 1 : 0;
}
