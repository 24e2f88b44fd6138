#include "support/brml_writer.h"

#include "support/support.h"
#include "support/zip_writer.h"

namespace testing_support {

namespace {

const char* kHeader = "<?xml version=\"1.0\"?>\r\n";
const char* kNs = "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"";

}  // namespace

std::string WriteBrmlRawData(const BrmlScan& sc) {
    const std::size_t n = sc.frame ? 1 : sc.counts.size();
    const std::size_t counts_at = 4 + static_cast<std::size_t>(sc.extra_columns);
    std::string s = std::string(kHeader) + "<RawData " + kNs + ">\r\n"
        "  <MeasurementStatus>Measured</MeasurementStatus>\r\n"
        "  <TimeStampStarted>2025-02-26T10:47:52.8708798+00:00</TimeStampStarted>\r\n"
        "  <DataRoutes>\r\n    <DataRoute RouteFlag=\"Measured\">\r\n"
        "      <ScanInformation ScanName=\"" + sc.scan_name + "\" VisibleName=\"Coupled TwoTheta/Theta\">\r\n"
        "        <MeasurementPoints>" + std::to_string(n) + "</MeasurementPoints>\r\n"
        "        <TimePerStep>0.4</TimePerStep><ScanMode>PsdFastScan</ScanMode>\r\n"
        "        <ScanAxes><ScanAxisInfo AxisId=\"TwoTheta\" AxisName=\"TwoTheta\"><Start>" + Number(sc.start) +
        "</Start><Stop>" + Number(sc.start + sc.increment * static_cast<double>(sc.counts.size() - 1)) +
        "</Stop><Increment>" + Number(sc.increment) + "</Increment></ScanAxisInfo></ScanAxes>\r\n"
        "      </ScanInformation>\r\n";
    for (std::size_t i = 0; i < n; ++i) {
        const double x = sc.start + sc.increment * static_cast<double>(i);
        s += "      <Datum>" + Number(sc.time) + ",1," + Number(x) + "," + Number(x / 2);
        for (int e = 0; e < sc.extra_columns; ++e) s += ",25.5";
        if (sc.frame)
            for (double c : sc.counts) s += "," + Number(c);
        else
            s += "," + Number(sc.counts[i]);
        s += "</Datum>\r\n";
    }
    s += "      <DataViews>\r\n"
         "        <RawDataView xsi:type=\"FixedRawDataView\" Start=\"0\" Length=\"1\" LogicName=\"MeasuredTime\" />\r\n"
         "        <RawDataView xsi:type=\"FixedRawDataView\" Start=\"1\" Length=\"1\" LogicName=\"AbsorptionFactor\" />\r\n";
    if (sc.two_theta_view)
        s += "        <RawDataView xsi:type=\"VaryingRawDataView\" Start=\"2\" Length=\"2\"><Varying>"
             "<FieldDefinitions FieldName=\"TwoTheta\" /><FieldDefinitions FieldName=\"Theta\" /></Varying></RawDataView>\r\n";
    if (sc.extra_columns > 0)
        s += "        <RawDataView xsi:type=\"RecordedRawDataView\" Start=\"4\" Length=\"" +
             std::to_string(sc.extra_columns) + "\"><Recording LogicName=\"ActualTemperature\"><Unit Base=\"Celsius\" />"
             "</Recording></RawDataView>\r\n";
    s += "        <RawDataView xsi:type=\"RecordedRawDataView\" Start=\"" + std::to_string(counts_at) + "\" Length=\"" +
         std::to_string(sc.frame ? sc.counts.size() : 1) +
         "\"><Recording LogicName=\"ScanCounter\"><Unit Base=\"Counts\" /></Recording></RawDataView>\r\n"
         "      </DataViews>\r\n    </DataRoute>\r\n  </DataRoutes>\r\n"
         "  <FixedInformation>\r\n"
         "    <Drives><InfoData xsi:type=\"FixedDriveInfoData\" LogicName=\"Chi\"><Position Unit=\"&#176;\" Value=\"50\" />"
         "</InfoData></Drives>\r\n"
         "    <Instrument><PrimaryTracks><TrackInfoData><MountedOptics><InfoData xsi:type=\"TubeMountInfoData\"><Tube>\r\n"
         "      <WaveLengthAlpha1 Unit=\"&#197;\" Value=\"1.5406\" /><WaveLengthAlpha2 Unit=\"&#197;\" Value=\"1.54439\" />\r\n"
         "      <WaveLengthBeta Unit=\"&#197;\" Value=\"1.39222\" /><WaveLengthRatio Unit=\"\" Value=\"0.5\" />\r\n"
         "      <TubeMaterial>Cu</TubeMaterial>\r\n"
         "    </Tube></InfoData></MountedOptics></TrackInfoData></PrimaryTracks></Instrument>\r\n"
         "  </FixedInformation>\r\n</RawData>\r\n";
    return s;
}

std::string WriteBrml(const BrmlFile& f) {
    std::string container = std::string(kHeader) + "<DataContainer " + kNs + " RawDataLength=\"" +
                            std::to_string(f.scans.size()) + "\">\r\n  <CreatingVersion>" + f.version +
                            "</CreatingVersion>\r\n  <RawDataReferenceList>\r\n";
    std::vector<ZipMember> members;
    for (std::size_t k = 0; k < f.scans.size(); ++k) {
        const std::string name = "Experiment0/RawData" + std::to_string(k) + ".xml";
        container += "    <string>" + name + "</string>\r\n";
        members.insert(members.begin(), ZipMember{name, WriteBrmlRawData(f.scans[k])});
    }
    container += "  </RawDataReferenceList>\r\n  <MeasurementInfo UserName=\"Lab Manager\" Comment=\"\" SampleName=\"" +
                 f.sample + "\" />\r\n</DataContainer>\r\n";
    members.insert(members.begin(), ZipMember{"Experiment0/MeasurementContainer.xml",
                                              std::string(kHeader) + "<MeasurementContainer />\r\n"});
    members.push_back({"Experiment0/DataContainer.xml", container});
    members.push_back({"experimentCollection.xml", std::string(kHeader) + "<ExperimentCollection />\r\n"});
    return ZipBytes(members);
}

}  // namespace testing_support
