#ifndef WYX_TESTS_FORMATS_MOTION_MOTIONSAMPLES_H
#define WYX_TESTS_FORMATS_MOTION_MOTIONSAMPLES_H

// Small valid files of every motion format, written by hand in the public layouts: the
// corruption tests cut and flip them, and the fuzzers start from them.

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

}  // namespace motion_samples

#endif
