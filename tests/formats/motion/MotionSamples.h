#ifndef WYX_TESTS_FORMATS_MOTION_MOTIONSAMPLES_H
#define WYX_TESTS_FORMATS_MOTION_MOTIONSAMPLES_H

// Small valid files of every motion format, written by hand in the public layouts: the
// corruption tests cut and flip them, and the fuzzers start from them.

#include "tests/formats/motion/C3dFixture.h"

#include <string>

namespace motion_samples {

inline std::string Bvh() {
    return "HIERARCHY\n"
           "ROOT Hips\n"
           "{\n"
           "\tOFFSET 0.00 0.00 0.00\n"
           "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
           "\tJOINT Chest\n"
           "\t{\n"
           "\t\tOFFSET 0.00 5.21 0.00\n"
           "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
           "\t\tEnd Site\n"
           "\t\t{\n"
           "\t\t\tOFFSET 0.00 3.87 0.00\n"
           "\t\t}\n"
           "\t}\n"
           "\tJOINT Leg\n"
           "\t{\n"
           "\t\tOFFSET 3.91 0.00 0.00\n"
           "\t\tCHANNELS 6 Xposition Yposition Zposition Xrotation Yrotation Zrotation\n"
           "\t\tEnd Site\n"
           "\t\t{\n"
           "\t\t\tOFFSET 0.00 -18.34 0.00\n"
           "\t\t}\n"
           "\t}\n"
           "}\n"
           "MOTION\n"
           "Frames: 3\n"
           "Frame Time: 0.033333\n"
           "8.03 35.01 88.36 -3.41 14.78 -164.35 -3.29 -23.24 -5.10 3.91 0 0 1.5 2.5 -30\n"
           "7.81 35.10 86.47 -3.78 12.94 -166.97 -2.04 -24.50 -5.37 3.91 0 0 2.0 3.0 -40\n"
           "7.51 35.22 84.57 -3.98 11.07 -169.67 -0.77 -26.26 -5.30 3.91 0 0 2.5 3.5 -50\n";
}

inline std::string Htr() {
    return "# hand-written\n"
           "[Header]\n"
           "FileType htr\n"
           "DataType HTRS\n"
           "FileVersion 1\n"
           "NumSegments 3\n"
           "NumFrames 2\n"
           "DataFrameRate 60\n"
           "EulerRotationOrder ZYX\n"
           "CalibrationUnits mm\n"
           "RotationUnits Degrees\n"
           "GlobalAxisofGravity Y\n"
           "BoneLengthAxis Y\n"
           "ScaleFactor 1.0\n"
           "[SegmentNames&Hierarchy]\n"
           "Hips GLOBAL\n"
           "Spine Hips\n"
           "Hand Spine\n"
           "[BasePosition]\n"
           "Hips 0 900 0 0 0 0 100\n"
           "Spine 0 100 0 0 0 10 300\n"
           "Hand 0 300 0 0 0 90 80\n"
           "[Hips]\n"
           "0 0 0 0 0 0 0 1.0\n"
           "1 10 20 30 10 0 0 1.0\n"
           "[Spine]\n"
           "0 0 0 0 0 0 0 1.0\n"
           "1 0 0 0 0 20 0 1.0\n"
           "[Hand]\n"
           "0 0 0 0 0 0 0 1.0\n"
           "1 0 0 0 0 0 30 1.0\n"
           "[EndOfFile]\n";
}

inline std::string Asf() {
    return ":version 1.10\n"
           ":name VICON\n"
           ":units\n"
           "  mass 1.0\n"
           "  length 0.45\n"
           "  angle deg\n"
           ":documentation\n"
           "   hand-written\n"
           ":root\n"
           "   order TX TY TZ RX RY RZ\n"
           "   axis XYZ\n"
           "   position 0 0 0\n"
           "   orientation 0 0 0\n"
           ":bonedata\n"
           "  begin\n"
           "     id 1\n"
           "     name lhipjoint\n"
           "     direction 0.692 -0.648 0.316\n"
           "     length 2.4\n"
           "     axis 0 0 0  XYZ\n"
           "  end\n"
           "  begin\n"
           "     id 2\n"
           "     name lfemur\n"
           "     direction 0.342 -0.939 0\n"
           "     length 7.17\n"
           "     axis 0 0 20  XYZ\n"
           "    dof rx ry rz\n"
           "    limits (-160.0 20.0)\n"
           "           (-70.0 70.0)\n"
           "           (-60.0 70.0)\n"
           "  end\n"
           "  begin\n"
           "     id 3\n"
           "     name ltibia\n"
           "     direction 0.342 -0.939 0\n"
           "     length 7.6\n"
           "     axis 0 0 20  XYZ\n"
           "    dof rx\n"
           "    limits (-10.0 170.0)\n"
           "  end\n"
           ":hierarchy\n"
           "  begin\n"
           "    root lhipjoint\n"
           "    lhipjoint lfemur\n"
           "    lfemur ltibia\n"
           "  end\n";
}

inline std::string Amc() {
    return ":FULLY-SPECIFIED\n"
           ":DEGREES\n"
           ":SAMPLES-PER-SECOND 120\n"
           ":FRAME-RANGE 1-3\n"
           "1\n"
           "root 9.3 17.8 -17.5 -5.1 -8.8 -2.3\n"
           "lfemur -20.5 4.6 21.3\n"
           "ltibia 27.4\n"
           "2\n"
           "root 9.4 17.8 -17.4 -5.2 -8.9 -2.4\n"
           "lfemur -20.6 4.5 21.2\n"
           "ltibia 27.9\n"
           "3\n"
           "root 9.5 17.9 -17.3 -5.3 -9.0 -2.5\n"
           "lfemur -20.7 4.4 21.1\n"
           "ltibia 28.3\n";
}

inline std::string Brd() {
    return "0\t1\tP\t10.5\t20.25\t-3\tQ\t0\t0\t0\t1\t0\t0\n"
           "0\t2\tP\t11.5\t21.25\t-4\tQ\t0\t0\t0.7071\t0.7071\t0\t0\n"
           "1\t1\tP\t10.6\t20.35\t-3.1\tQ\t0\t0\t0.1\t0.995\t0\t8333.33\n"
           "2\t2\tP\t11.7\t21.45\t-4.2\tQ\t0.1\t0\t0\t0.995\t0\t16666.7\n"
           "2\t1\tP\t10.7\t20.45\t-3.2\tQ\t0\t0.1\t0\t0.995\t0\t16666.7\n";
}

// Three markers over three frames, labelled, in millimetres; the processor layout and the
// storage as given.
inline std::string C3d(int processor = 1, bool floats = false) {
    c3d_fixture::File file;
    file.processor = processor;
    file.floats = floats;
    file.points = 3;
    file.parameters = {c3d_fixture::File::Labels({"LASI", "Bob:RASI", "LPSI"}, 8), c3d_fixture::File::Text("UNITS", "mm"),
                       c3d_fixture::File::Text("X_SCREEN", "+X"), c3d_fixture::File::Text("Y_SCREEN", "+Z")};
    for (int f = 0; f < 3; ++f) {
        file.frames.push_back({c3d_fixture::Point{1.0 + f, 90.5, -3.0}, c3d_fixture::Point{-11.0, 91.0 + f, -3.5, f != 1},
                               c3d_fixture::Point{0.5, 88.0, 12.0 - f}});
    }
    return file.Build();
}

inline std::string Trc() {
    return "PathFileType\t4\t(X/Y/Z)\twalk.trc\t\n"
           "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n"
           "60.00\t60.00\t3\t3\tmm\t60.00\t1\t3\n"
           "Frame#\tTime\tL Knee\t\t\tR Knee\t\t\tHip\t\t\t\n"
           "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\n"
           "\n"
           "1\t0.000\t10.5\t900.0\t-30.0\t-110.0\t910.0\t-35.0\t5.0\t880.0\t120.0 \n"
           "2\t0.017\t11.5\t901.0\t-31.0\t\t\t\t5.5\t881.0\t119.0 \n"
           "3\t0.033\t12.5\t902.0\t-32.0\t-112.0\t912.0\t-37.0\t6.0\t882.0\t118.0 \n";
}

inline std::string Aoa() {
    return "Adaptive Optics capture\n"
           "frames = 3 markers = 2 Hz = 60\n"
           "10.5 90 -3\n-11 91 -3.5\n"
           "11.5 90.5 -3\n0 0 0\n"
           "12.5 91 -3\n-12 92 -3.5\n";
}

inline std::string Vpm() {
    std::string text;
    for (const char* segment : {"Hips", "Chest"}) {
        text += std::string("Segment:\t") + segment + "\nFrames:\t3\nFrame Time:\t0.0333333\n"
                "XTRAN\tYTRAN\tZTRAN\tXROT\tYROT\tZROT\tXSCALE\tYSCALE\tZSCALE\n"
                "INCHES\tINCHES\tINCHES\tDEGREES\tDEGREES\tDEGREES\tPERCENT\tPERCENT\tPERCENT\n"
                "1\t36\t-2\t0\t10\t0\t100\t100\t100\n"
                "1.5\t36.5\t-2\t5\t12\t1\t100\t100\t100\n"
                "2\t37\t-2\t10\t14\t2\t100\t100\t100\n";
    }
    return text;
}

inline std::string Mov() {
    return "0\t1\t2\t3\t0\t10\t0\t1\t1\t1\t4\t5\t6\t0\t0\t20\t1\t1\t1\t\n"
           "0.04\t1.5\t2\t3\t0\t11\t0\t1\t1\t1\t4.5\t5\t6\t0\t0\t21\t1\t1\t1\t\n"
           "0.08\t2\t2\t3\t0\t12\t0\t1\t1\t1\t5\t5\t6\t0\t0\t22\t1\t1\t1\t\n";
}

}  // namespace motion_samples

#endif
