#include "support/xrdml_writer.h"

#include "support/support.h"

namespace testing_support {

namespace {

std::string List(const std::vector<double>& values) {
    std::string s;
    for (double v : values) s += (s.empty() ? "" : " ") + Number(v);
    return s;
}

}  // namespace

std::string WriteXrdml(const XrdmlFile& f) {
    const std::string ns = "http://www.xrdml.com/XRDMeasurement/" + f.version;
    std::string s = f.bom ? "\xEF\xBB\xBF" : "";
    if (f.declaration) s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    s += "<xrdMeasurements xmlns=\"" + ns + "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xsi:schemaLocation=\"" + ns + " " + ns + "/XRDMeasurement.xsd\" status=\"Completed\">\r\n"
         "  <comment><entry>Configuration=test</entry></comment>\r\n"
         "  <sample type=\"To be analyzed\"><id>" + f.sample_id + "</id><name>" + f.sample_name + "</name></sample>\r\n"
         "  <xrdMeasurement measurementType=\"Scan\" status=\"Completed\">\r\n"
         "    <comment><entry>PHD Lower Level = 4.02 (keV)</entry></comment>\r\n"
         "    <usedWavelength intended=\"" + f.intended + "\">\r\n"
         "      <kAlpha1 unit=\"Angstrom\">1.5405980</kAlpha1><kAlpha2 unit=\"Angstrom\">1.5444260</kAlpha2>\r\n"
         "      <kBeta unit=\"Angstrom\">1.3922500</kBeta><ratioKAlpha2KAlpha1>0.5000</ratioKAlpha2KAlpha1>\r\n"
         "    </usedWavelength>\r\n"
         "    <incidentBeamPath><radius unit=\"mm\">240.00</radius><xRayTube name=\"tube\"><tension unit=\"kV\">40"
         "</tension><current unit=\"mA\">40</current><anodeMaterial>Cu</anodeMaterial></xRayTube></incidentBeamPath>\r\n";
    for (const XrdmlScan& sc : f.scans) {
        s += "    <scan appendNumber=\"0\" mode=\"Continuous\" scanAxis=\"" + sc.scan_axis + "\" status=\"Completed\">\r\n"
             "      <header><startTimeStamp>" + sc.start_time + "</startTimeStamp></header>\r\n"
             "      <dataPoints>\r\n"
             "        <positions axis=\"" + sc.x_axis + "\" unit=\"deg\">";
        if (!sc.list.empty())
            s += "<listPositions>" + List(sc.list) + "</listPositions>";
        else
            s += "<startPosition>" + List({sc.start}) + "</startPosition><endPosition>" + List({sc.end}) +
                 "</endPosition>";
        s += "</positions>\r\n";
        if (sc.x_axis != "2Theta")
            s += "        <positions axis=\"2Theta\" unit=\"deg\"><commonPosition>40.0</commonPosition></positions>\r\n";
        s += "        <positions axis=\"Z\" unit=\"mm\"><commonPosition>7.868</commonPosition></positions>\r\n";
        if (sc.counting_times.empty())
            s += "        <commonCountingTime unit=\"seconds\">" + List({sc.common_time}) + "</commonCountingTime>\r\n";
        else
            s += "        <countingTimes unit=\"seconds\">" + List(sc.counting_times) + "</countingTimes>\r\n";
        if (!sc.attenuation.empty())
            s += "        <beamAttenuationFactors>" + List(sc.attenuation) + "</beamAttenuationFactors>\r\n";
        const std::string tag = sc.intensities ? "intensities" : "counts";
        s += "        <" + tag + " unit=\"" + sc.y_unit + "\">" + List(sc.y) + "</" + tag + ">\r\n"
             "      </dataPoints>\r\n    </scan>\r\n";
    }
    s += "  </xrdMeasurement>\r\n</xrdMeasurements>\r\n";
    return s;
}

}  // namespace testing_support
