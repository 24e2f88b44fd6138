#include "support/rigaku_writer.h"

#include "support/support.h"
#include "support/zip_writer.h"

namespace testing_support {

namespace {

std::string Rows(const RigakuScan& s, const char* separator) {
    std::string out;
    for (std::size_t i = 0; i < s.y.size(); ++i)
        out += Number(s.x[i]) + separator + Number(s.y[i]) + separator + Number(s.factor.empty() ? 1.0 : s.factor[i]) + "\r\n";
    return out;
}

}  // namespace

std::string WriteRas(const std::vector<RigakuScan>& scans, bool end_markers) {
    std::string out = "*RAS_DATA_START\r\n";
    for (const RigakuScan& s : scans) {
        out += "*RAS_HEADER_START\r\n*FILE_SAMPLE \"" + s.sample + "\"\r\n*FILE_VERSION \"1.0000000000\"\r\n"
               "*HW_XG_TARGET_NAME \"Cu\"\r\n*HW_XG_WAVE_LENGTH_ALPHA1 \"1.540593\"\r\n"
               "*HW_XG_WAVE_LENGTH_ALPHA2 \"1.544414\"\r\n*HW_XG_WAVE_LENGTH_BETA \"1.392250\"\r\n"
               "*MEAS_COND_XG_WAVE_TYPE \"Ka\"\r\n*MEAS_DATA_COUNT \"" + Number(static_cast<double>(s.y.size())) +
               ".0000000000\"\r\n*MEAS_SCAN_AXIS_X \"2-Theta\"\r\n*MEAS_SCAN_MODE \"" + s.mode + "\"\r\n"
               "*MEAS_SCAN_SPEED \"" + Number(s.speed) + "\"\r\n*MEAS_SCAN_SPEED_UNIT \"" + s.speed_unit + "\"\r\n"
               "*MEAS_SCAN_START \"" + Number(s.start) + "\"\r\n*MEAS_SCAN_START_TIME \"" + s.start_time + "\"\r\n"
               "*MEAS_SCAN_STEP \"" + Number(s.step) + "\"\r\n*MEAS_SCAN_STOP \"" + Number(s.stop) + "\"\r\n"
               "*MEAS_SCAN_UNIT_Y \"" + s.unit_y + "\"\r\n" + s.extra_header + "*RAS_HEADER_END\r\n*RAS_INT_START\r\n" +
               Rows(s, " ");
        if (end_markers) out += "*RAS_INT_END\r\n";
    }
    if (end_markers) out += "*RAS_DATA_END\r\n";
    return out;
}

std::string WriteRasx(const std::vector<RigakuScan>& scans, const std::vector<int>& order) {
    std::vector<ZipMember> members;
    for (std::size_t k = 0; k < scans.size(); ++k) {
        const int n = order.empty() ? static_cast<int>(k) : order[k];
        const RigakuScan& s = scans[static_cast<std::size_t>(n)];
        const std::string set = "Data" + std::to_string(n) + "/";
        members.push_back({set + "Profile" + std::to_string(n) + ".txt", "\xEF\xBB\xBF" + Rows(s, "\t")});
        members.push_back({set + "MesurementConditions" + std::to_string(n) + ".xml",
                           "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<MeasurementConditions>\r\n"
                           "  <GeneralInformation><Operator>Administrator</Operator><Comment /><SampleName>" + s.sample +
                           "</SampleName><Memo>memo " + std::to_string(n) + "</Memo></GeneralInformation>\r\n"
                           "  <HWConfigurations><XrayGenerator><TargetName>Cu</TargetName><WaveType>Ka1</WaveType>"
                           "<WavelengthKbeta>1.392246</WavelengthKbeta><WavelengthKalpha1>1.540593</WavelengthKalpha1>"
                           "<WavelengthKalpha2>1.544414</WavelengthKalpha2></XrayGenerator></HWConfigurations>\r\n"
                           "  <ScanInformation><AxisName>TwoThetaTheta</AxisName><Mode>" + s.mode + "</Mode><Start>" +
                           Number(s.start) + "</Start><Stop>" + Number(s.stop) + "</Stop><Step>" + Number(s.step) + "</Step><Speed>" +
                           Number(s.speed) + "</Speed><SpeedUnit>" + s.speed_unit + "</SpeedUnit><IntensityUnit>" + s.unit_y +
                           "</IntensityUnit><StartTime>" + s.start_time + "</StartTime><DataCount>" +
                           std::to_string(s.y.size()) + "</DataCount></ScanInformation>\r\n"
                           "  <RASHeader><Pair><string>*MEAS_SCAN_MODE_INTERNAL</string><string>TDI_1D</string></Pair>"
                           "</RASHeader>\r\n</MeasurementConditions>\r\n"});
    }
    members.push_back({"root.xml", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Root Version=\"1.1.0.0\" />\r\n"});
    return ZipBytes(members);
}

}  // namespace testing_support
