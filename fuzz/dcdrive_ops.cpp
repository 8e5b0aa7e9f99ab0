// Feeds arbitrary bytes to dcdrive as its operation file over a small table with Turkish text, every column
// type, Nulls and a duplicate: the run ends with status 0 or 2, a refusal says why in bounded length, nothing
// escapes, and every line of output is JSON.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/dcdrive_output.h"
#include "tools/dcdrive/ops.h"

namespace {

const char* const Table = "city:string,qty:int,price:currency,day:date,ok:bool,rate:float\n"
                          "şehir,5,1.5,2024-01-02,true,0.5\n"
                          "Ağrı,,2,2024-01-01,false,\n"
                          "şehir,7,,2024-01-03,true,-1e300\n"
                          "\"İzmir, x\",3,4.25,,,2\n"
                          ",1,0.5,1900-02-28,true,0\n";

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dcdrive::InitializeUnits();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dcdrive::Driver driver;
  driver.LoadTable(Table);
  std::ostringstream out, err;
  int exit =
      dcdrive::RunOperations(driver, std::string(reinterpret_cast<const char*>(data), size), "ops", out, err);
  CheckDcdriveRun(exit, out.str(), err.str());
  return 0;
}
