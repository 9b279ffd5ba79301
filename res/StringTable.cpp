#include "res/StringTable.h"

namespace res {

// Entries marked "own wording" have no fixed text elsewhere; the others are
// the station's texts unchanged, including their odd spacing and spelling.
const StringEntry kStringTable[] = {
    {128, "RYXw"},  // own wording
    {129, "NotUsed\nRYXw\nNotUsed\nRYXw Test Report (*.ryx)\n.RYX\nRYXw.Document\nRYXw Document"},
    {130, "NotUsed\nRYXw\nNotUsed\nRYXw Test Data (*.ryx)\n.RYX\nRYXw.Document\nRYXw Document"},
    {134, "NotUsed\nNotUsed\nNotUsed\nNotUsed\nNotUsed\nNotUsed\nNotUsed"},
    {135, "NotUsed\nOldData\nNotUsed\nDOS Version 4.1 or 4.2 Test Report (*.bdt)\n.BDT\nRYXw.Document\nRYXw Document"},
    {136, "NotUsed\nOldData\nNotUsed\nDOS Version 4.1 or 4.2 Test Data (*.bdt)\n.BDT\nRYXw.Document\nRYXw Document"},
    {137, "There is not enough disk space to perform requested operation.\n\t%s\n\tRequired Disk Space = %I64u bytes\n\tAvailable Disk Space = %I64u bytes"},
    {145, " Unknown"},
    {146, "RYXw 3.24"},
    {147, "RYXw Test Report"},  // own wording
    {150, "Time (s)"},
    {151, "  Force (mN)  "},
    {152, "Deflection (mm)"},
    {153, "&Back"},
    {154, "&Next"},
    {155, "&OK"},
    {160, "Pass"},
    {161, "Fail"},
    {162, "Reference Temperature :"},
    {163, "°C"},
    {164, "Please enter temperature reading from reference thermometer."},
    {200, "Checking for RYX ..."},
    {202, "Please set the RYX to Local mode, set the Zero/Load switch to Zero, and remove any beams from the bath. "},
    {203, "Please insert the gage block at the Top level and apply the 100 g mass."},
    {206, "Reading gage block ..."},
    {208, "Please change the gage block to the Red level and apply the 100 g mass."},
    {212, "Please change the gage block to the White level and apply the 100 g mass."},
    {216, "Please change the gage block to the Blue level and apply the 100 g mass."},
    {220, "Please remove the 100 g mass, and then the gage block. Then insert the thick steel beam."},
    {224, "Please adjust the Zero Regulator until the load shaft just touches the beam."},
    {228, "Please apply the 100 g mass."},
    {229, "The readings for the 100 g mass are out of range. Please check that the thick steel beam and the 100 g mass are in place."},  // own wording
    {230, "Reading load ..."},
    {232, "Please add another 100 g mass, for a total of 200 g."},
    {233, "The readings for the 200 g load are out of range. Please check that the thick steel beam and a total of 200 g are in place."},  // own wording
    {236, "Please add another 100 g mass, for a total of 300 g."},
    {237, "The readings for the 300 g load are out of range. Please check that the thick steel beam and a total of 300 g are in place."},  // own wording
    {240, "Please add another 100 g mass, for a total of 400 g."},
    {241, "The readings for the 400 g load are out of range. Please check that the thick steel beam and a total of 400 g are in place."},  // own wording
    {244, "Please remove all mass, and then remove the thick steel beam."},
    {248, "Deflection calibration constant is : \r\n\r\n\tDeflection :\t%.8f µm/bit\r\n"},
    {249, "Force calibration constants are : \r\n\r\n\tForce :\t\t%.8f mN/bit\r\n\tCompliance :\t%.8f µm/N\r\n"},
    {250, "The force readings did not rise with each added 100 g mass, or they give no usable force or compliance constant. Nothing has been saved. Please check the masses and the thick steel beam, and take the readings again."},  // own wording
    {251, "The gage block readings did not rise from the Top level to the Blue level, or they give no usable deflection constant. Nothing has been saved. Please check the gage block levels and take the readings again."},  // own wording
    {252, "The readings did not rise from the 100 g load to the 400 g load, or they give no usable stiffness. Nothing has been saved. Please check the thin steel beam and the masses, and take the readings again."},  // own wording
    {253, "The thin beam width or thickness entered under Instrument Setup is not a positive number. The Confidence Test uses the default in its place: 12.7 mm for the width, 1.17 mm for the thickness."},  // own wording
    {254, "This action will delete all current temperature calibration offsets.  You will have to recalibrate temperature in order to run tests.\nAre you sure you want to delete the offsets?"},
    {255, "The auto-thickness datum could not be marked as not established after the new calibration. Please re-establish the datum before measuring beam thickness automatically."},  // own wording
    {257, "An error occured while calibrating the temperature.\r\nAn offset will not be saved for the current bath temperature."},
    {258, "Default settings are present. After closing this message, please review the information on the displayed page for accuracy."},
    {259, "A required value has not been entered. After closing this message, please check that all fields on the displayed page have an entry."},
    {260, "Some required information is missing from the Windows Registry.\r\nPlease review all the setup options for accuracy. You should also recalibrate the RYX and perform a confidence test.\r\n"},
    {261, "One or more Advance Test Settings are invalid.\n\tLoad Time  >= 240 s\n\tRecovery Time >= 10 s\n\tExtended Sample Interval >= 1 s"},
    {264, "Is %1 the correct thermometer reading?"},
    {265, "The temperature offset has been saved, but the bath temperature conversion could not be reloaded with it. Please check the temperature coefficients under Instrument Setup."},  // own wording
    {300, "There has been a problem with the computer's serial port."},
    {304, "The RYX is not responding to commands from the computer."},
    {308, "There is an error in the RYX calibration data."},
    {310, "Unable to make connection with RYX."},
    {312, "An error has occured while attempting to save  information to the Windows Registry.\r\nAfter closing this message, you can try again by choosing OK."},
    {314, "The serial port you have selected is either already in use or does not exist on your machine.\r\nPlease choose another serial port."},
    {350, "Please set the RYX to Local mode, set the Zero/Load switch to Zero, and insert the thin steel beam."},
    {354, "Please apply a 100 g mass."},
    {358, "Reading measurements ..."},
    {362, "Please add an additional 300 grams."},
    {366, "Please remove all of the mass, and then the thin steel beam."},
    {370, "This is a dummy string. Please do not delete it."},
    {372, "The Confidence Test passed.\n\tStiffness :\t%.f GPa\n\tMinimum :\t%.f GPa\n\tMaximum :\t%.f GPa"},
    {374, "The Confidence Test failed.\n\tStiffness :\t%.f GPa\n\tMinimum :\t%.f GPa\n\tMaximum :\t%.f GPa\nYou should confirm that you have entered the correct thin beam thickness and Confidence Test limits under Instrument Setup. You should then re-calibrate the instrument sensors before repeating the Confidence Test."},
    {401, "An error occured while attempting to display the graph. This may indicate a problem with Windows."},
    {402, "A math error has occurred. This may indicate a faulty test."},
    {404, "An error occured while attempting to display the report. This may indicate a problem with Windows."},
    {405, "The filename you have entered is either invalid or is already in use. Please enter a different filename."},
    {406, "The dimensions of the gage block must be entered in order to ensure an accurate calibration. Please enter the dimensions under Setup."},
    {407, "Could not save information to the Registry. This may indicate a problem with Windows."},
    {408, "Loading older RYX data requires both a BDT file and a DAT file. The file %1 could not be opened."},
    {409, "%1 is not of the correct format."},
    {411, "Could not save file"},
    {413, "Choose two files to calculate Delta Tc."},
    {414, "Choose only one file to open."},
    {415, "A file you selected can not be previewed because it is not in a valid format."},
    {416, "An error occured while attempting to preview files.\nTry selecting fewer files."},
    {430, "A temperature calibration has not been done for the target test bath temperature.\nTemperature control will not be accurate until this is done."},
    {431, "Outdated or invalid calibration information is present.\nCalibration of the load, deflection, and compliance constants should be performed before any further tests."},
    {432, "The thin beam thickness entry has changed. You should run a new Confidence Test."},
    {433, "A temperature calibration has not been done for the target test bath temperature.\nTemperature control will not be accurate until this is done.\n\nOutdated or invalid calibration information is present.\nCalibration of the load, deflection, and compliance constants should be performed before any further tests."},  // own wording
    {434, "A temperature calibration has not been done for the target test bath temperature.\nTemperature control will not be accurate until this is done.\n\nThe thin beam thickness entry has changed. You should run a new Confidence Test."},  // own wording
    {435, "The thick beam dimensions have changed. If you are going to use the auto thickness measurement feature, you should re-establish the datum."},
    {436, "A temperature calibration has not been done for the target test bath temperature.\nTemperature control will not be accurate until this is done.\n\nThe thick beam dimensions have changed. If you are going to use the auto thickness measurement feature, you should re-establish the datum."},  // own wording
    {437, "Outdated or invalid calibration information is present.\nCalibration of the load, deflection, and compliance constants should be performed before any further tests.\n\nThe thick beam dimensions have changed. If you are going to use the auto thickness measurement feature, you should re-establish the datum."},  // own wording
    {438, "A temperature calibration has not been done for the target test bath temperature.\nTemperature control will not be accurate until this is done.\n\nOutdated or invalid calibration information is present.\nCalibration of the load, deflection, and compliance constants should be performed before any further tests.\n\nThe thick beam dimensions have changed. If you are going to use the auto thickness measurement feature, you should re-establish the datum."},  // own wording
    {439, "The thin beam thickness entry has changed. You should run a new Confidence Test.\n\nThe thick beam dimensions have changed. If you are going to use the auto thickness measurement feature, you should re-establish the datum."},  // own wording
    {440, "A temperature calibration has not been done for the target test bath temperature.\nTemperature control will not be accurate until this is done.\n\nThe thin beam thickness entry has changed. You should run a new Confidence Test.\n\nThe thick beam dimensions have changed. If you are going to use the auto thickness measurement feature, you should re-establish the datum."},  // own wording
    {450, "Project :  "},
    {451, "Operator :  "},
    {452, "Specimen :  "},
    {453, "Test Time :  "},
    {454, "Test Date :  "},
    {455, "File Name :  "},
    {456, "Target Temp (°C)  :  "},
    {457, "Actual Temp (°C)  :  "},
    {458, "Soak Time (min)  :  "},
    {459, "Beam Width (mm)  :  "},
    {460, "Thickness (mm)  :  "},
    {461, "Conf Test (GPa) :  "},
    {462, "Conf Date  :  "},
    {463, "Force Const (mN/bit)  :  "},
    {464, "Defl Const (µm/bit)  :  "},
    {465, "Cmpl (µm/N)  :  "},
    {466, "Cal Date  :  "},
    {468, "Temp Cal Date  :  "},
    {469, "Min. Temp (°C)  :  "},
    {470, "t\nTime\n(s)"},
    {471, "P\nForce\n(mN)"},
    {472, "d\nDeflection\n(mm)"},
    {473, "Measured\nStiffness\n(MPa)"},
    {474, "Estimated\nStiffness\n(MPa)"},
    {475, "\nDifference\n(%)"},
    {476, "\nm-value"},
    {477, "A =  "},
    {478, "B = "},
    {479, "C = "},
    {480, "R² = "},
    {481, "Max. Temp (°C)  :  "},
    {482, "RYX ID : "},
    {483, "Software Version : "},
    {484, "Stiffness @ 60s (MPa) :"},
    {485, "m_value @ 60s :"},
    {486, "Critical Temperature @ 300 MPa Stiffness (°C) :"},
    {487, "Critical Temperature @ m_value of .300 (°C) :"},
    {488, "Delta Critical Temp (°C) :"},
    {500, "%1Test will be aborted."},
    {504, "Please set the RYX to REMOTE mode.\n\nSelect 'Cancel' to abort test."},
    {516, "Auto-Reporting could not be disabled."},
    {520, "The contact load is out of tolerance. Please adjust the Zero Regulator for a contact load of 35±10mN.\n\nSelect 'Cancel' to abort test."},
    {524, "The preload could not be applied. "},
    {528, "The load was not released after preload."},
    {532, "The test sample has been damaged."},
    {533, "A temperature calibration has not been done for the target test bath temperature.\nTemperature control will not be accurate until this is done.\n\nSelect 'OK' to continue, 'Cancel' to abort the test."},
    {534, "Temperature control must be enabled to perform this operation."},
    {538, "WARNING! - Temperature calibration failed. The actual temperature must be within ± 3 °C of the desired bath temperature."},
    {540, "The temperature is out of tolerance (± %.1f °C).\n\n\tActual Temperature = %.2f °C\n\tDesired Temperature = %.2f °C \n\nSelect 'OK' to continue, 'Cancel' to abort the test."},
    {541, "WARNING! - Temperature out of tolerance (± %.1f °C)"},
    {542, "WARNING! - A calibration was not performed for the specified target temperature."},
    {543, "Temperature control has not been enabled,\nand the temperature is out of tolerance (± %.1f °C).\n\n\tActual Temperature = %.2f °C\n\tDesired Temperature = %.2f °C \n\nSelect 'OK' to continue, 'Cancel' to abort the test."},
    {544, "The test load could not be applied."},
    {548, "The test load was not released at the proper time during the test."},
    {552, "%1The RYX could not be set to ZERO mode."},
    {570, "\tBath Temperature\n"},
    {571, "\tGage Block Dimensions\n"},
    {572, "\tData Archive Directory Path\n"},
    {573, "\tSerial Port Choice\n"},
    {574, "\tThermistor Probe Information\n"},
    {575, "The following program information must be entered in Setup before continuing : \n\n"},
    {576, "\tApparatus ID\n"},
    {577, "\tAdvanced Test Settings\n"},
    {578, "\tSerial Port Choice: the port alias %1\n\tnames %2, which is not a serial device\n"},  // own wording
    {601, "This action will abort the test that is currently running.\nAre you sure you want to abort the test?"},
    {602, "Would you like to save the aborted test data?"},
    {619, "LIMS"},
    {620, "Batch Export Results"},
    {632, "    Preparing For Test"},
    {633, "    Applying Preload %1 s"},
    {634, "    Testing"},
    {648, "Export"},
    {649, "Batch Export Data"},
    {650, "csv"},
    {651, "dat"},
    {652, "Comma Separated Values (*.csv)"},
    {653, "ASCII file format      (*.dat)"},
    {654, "Comma Separated Values (*.csv)|*.csv|"},
    {655, "ASCII file format      (*.dat)|*.dat||"},
    {656, "An error occured while exporting files.\nNo files were exported."},
    {657, "An error occured while exporting files.\nNo files were exported.\nTry selecting fewer files."},
    {658, "The following files could not be exported due to invalid format :\n%1"},
    {659, "An error occured while selecting files."},
    {661, "The following files could not be open due to invalid format :\n%1"},
    {662, "Delta Tc samples should have different temperatures."},
    {663, "The two specimens used to calculate Critical Temperature should  meet the following criteria...\n\tS1 < %.1f < S2\n\tm2 < %.3f < m1\nThe specimen values are...\n\tS1 = %.1f,\tm1 = %.3f\n\tS2 = %.1f,\tm2 = %.3f"},
    {700, "Set the RYX to Local mode, set the Zero/Load switch to Zero, and insert the thick steel beam.\n\nGently lower the shaft onto the beam and adjust the Control Unit Zero Regulator for a Force reading of 35 ± 10 mN."},
    {704, "Reading measurements ..."},
    {708, "Flip the beam over and gently lower the shaft onto the beam.\nInsure that a force of 35 ± 10 mN is applied to the beam."},
    {712, "Please remove the steel beam."},
    {716, "The datum = %.3f mm at a thickness of %.3f mm."},
    {720, "Erratic readings were received. Please confirm that the thick steel beam is in place, and that a force of 35 ± 10 mN has been applied."},
    {721, "An error occured while calculating the beam thickness.\nCheck that a value for thick steel beam has been entered in setup."},
    {724, "    Measuring Beam Thickness"},
    {728, "Outdated or invalid calibration information is present.\nCalibration of the load, deflection, and compliance constants must be performed before steel beam datum can be determined.\nWould you like to perform calibration now?"},
    {732, "Auto-thickness measurement cannot be performed until datum has been determined. Please select Auto-Thickness Datum... from the Calibrate menu."},
    {733, "Auto-thickness measurement cannot be performed until datum has been determined.\nTo use auto-thickness, select 'Cancel' and then select Auto-Thickness Datum... from the Calibrate menu to establish a datum."},
    {736, "Place the test specimen on the beam supports in the bath then select OK to continue test.\n\nSelect 'Cancel' to abort the test."},
    {752, "Force (t=%.1fs) ="},
    {756, "  mN    Deflection (t=%.1fs) ="},
    {760, "Force (t=%.1fs) ="},
    {764, "  mN    Deflection (t=%.1fs) ="},
    {768, "  mm"},
    {772, "Maximum Force (t=0.5 - 240.0s) ="},
    {776, "Average Force  (t=0.5 - 240.0s) ="},
    {780, "Minimum Force  (t=0.5 - 240.0s) ="},
    {784, "  mN"},
    {788, "Max Force Deviation (t=0.5   -   5.0s) ="},
    {789, "Max Force Deviation (t=5.0 - 240.0s) ="},
    {800, "Verification of Displacement Transducer"},
    {801, "Verification of Freely Operating Air Bearing"},
    {802, "Verification of Load Cell"},
    {850, "Gage Block Results :\r\n\r\nTop :\tTarget=%.3f,\tActual=%.3f,\t%s\r\nRed :\tTarget=%.3f,\tActual=%.3f,\t%s\r\nWhite :\tTarget=%.3f,\tActual=%.3f,\t%s\r\nBlue :\tTarget=%.3f,\tActual=%.3f,\t%s"},
    {851, "Please insert reference thermometer probe in bath, set the RYX to Local mode, set the Zero/Load switch to Zero, and remove any beams from the bath. "},
    {852, "Remove the 100 g mass and gage block. Insert the thin steel beam in bath and apply a load of 35±10mN using the Zero Regulator."},
    {853, "Lift the loading platform to get a deflection reading of less than zero then let the platform free fall."},
    {854, "Wait for shaft to drop."},
    {855, "Remove beam from bath. Use Zero Regulator to adjust loading shaft so that deflection reading is maxed out in the negative direction."},
    {856, "Use Zero Regulator to adjust loading shaft so that it is free floating at the approximate midpoint of its vertical travel. "},
    {857, "Apply a 2g mass."},
    {858, "Air Bearing Results :\r\n\r\nSteel Beam Drop Test : %s\r\nFree Float Drop Test : %s"},
    {859, "Remove all mass from load platform. Insert the thick steel beam and adjust the Zero Regulator to apply 20±10mN force to beam."},
    {860, "Apply 2g mass to the load platform."},
    {861, "Apply an additional 2g mass to the load platform for a total of 4g."},
    {862, "Remove the 4g mass and use the Zero Regulator to apply a 20±10mN force on the thick steel beam."},
    {863, "Apply a 100g mass to the loading platform."},
    {864, "Remove the 100g mass and the thick steel beam. Insert the gage block on the Red level and apply 100g.\r\n\r\nThis serves to meet the criteria for \"Verification of Zero Load Cell Reading (section 11.3.3) in ASTM-D-6648."},
    {865, "Load Cell Results :\r\n\r\nContact Load :\r\n\tLoad increase with 2g mass : %.fmN - %s\r\n\tLoad increase with 4g mass : %.fmN - %s\r\nTest Load :\r\n\tLoad increase with 100g mass : %.fmN - %s\r\nZero Load Cell Verification : %s"},
    {866, "Wait for reading on reference thermometer to stabilize and then enter reference temperature reading."},
    {867, "Overview :\r\n\r\nDisplacement Transducer Verification : %s\r\nAir Bearing Verification : %s\r\nLoad Cell Verfication : %s\r\nTemperature Verification : %s"},
    {868, "Saving results to .csv file."},
    {869, "Saved results in \r\n%s"},
    {870, "Error - verification results not saved to csv file."},
    {913, "The test cannot be run: the Sample Interval and the Load Time must each be at least 1 second.\nPlease correct them in the Instrument Setup."},  // own wording
    {914, "The test could not be saved as\n%1\n\nWould you like to save it under another name?"},  // own wording
    {920, "%1 must be a number greater than %2 and less than %3. After closing this message, please correct the entry on the displayed page."},  // own wording
    {921, "The data directory %1 does not exist or cannot be written. After closing this message, please choose a directory with Browse."},  // own wording
    {922, "This directory cannot be reached at present."},  // own wording
    {930, "%1 must be a whole number greater than %2 and less than %3."},  // own wording
    {931, "%1 must be a number greater than %2 and less than %3, with at most %4 digits after the decimal separator."},  // own wording
    {932, "The data directory %1 cannot be used: it does not exist, is not a folder or cannot be written. Please choose another one on the Archive page of Instrument Setup."},  // own wording
    {933, "No data directory has been chosen. Please choose one on the Archive page of Instrument Setup."},  // own wording
    {940, "The settings file\n%1\ncould not be read in full. These lines were not understood:\n\n%2\nThe settings on them count as missing. The file as it was has been kept as\n%3"},  // own wording
    {941, "The settings file\n%1\ncould not be read in full. These lines were not understood:\n\n%2\nThe settings on them count as missing. A copy of the file as it was could not be made (error %3), so no setting will be saved until the copy can be made."},  // own wording
    {942, "\t... and %1 more\n"},  // own wording
    {943, "The settings file cannot be read at all.\n\n%1\n\nEvery setting counts as missing, as on a new station, and nothing will be saved over the file while it cannot be read."},  // own wording
    {944, "The settings were not saved.\n\n%1\n\nNothing is saved over the settings file while it cannot be read."},  // own wording
    {945, "%1 cannot be read (error %2)."},  // own wording
    {1000, "  Beam Thickness = %.2f mm  "},
    {1510, "The following files were not exported :%1"},  // own wording
    {57345, "For Help, press F1"},
    {57600, "Run a new test on the instrument\nNew Test"},  // own wording
    {57601, "Open a saved test in its report window\nOpen"},  // own wording
    {57607, "Print the active window\nPrint"},  // own wording
    {57664, "Show the program version, firmware and calibration constants\nAbout"},  // own wording
    {57667, "List the help topics\nHelp Topics"},  // own wording
    {61444, "Save changes to %1?"},  // own wording
    {61475, "Out of memory."},
    {61480, "An unexpected error occurred; the operation was abandoned."},  // own wording
    {61697, "Failed to open document."},
    {61698, "Failed to save document."},
    {61703, "The help is not installed: %1 was not found."},  // own wording
    {61704, "%1 is no longer there. It has been taken off the list of recent files."},  // own wording
    {61705, "The help page %1 could not be read."},  // own wording
    {61710, "There is no space left on the disk."},  // own wording
    {61711, "Access to the file or its folder is denied."},  // own wording
    {61712, "The folder does not exist."},  // own wording
    {61713, "%1 does not exist."},  // own wording
    {61714, "%1 is a link that leads to no file: its target is missing or the links form a loop."},  // own wording
    {61715, "%1 is a folder, not a file."},  // own wording
    {61716, "%1 is not a regular file (a named pipe, a device or a socket) and is not read."},  // own wording
    {61717, "%1 is larger than any file of its kind and is not read."},  // own wording
    {61718, "You have no permission to read %1."},  // own wording
    {61728, "Unexpected file format."},
};

const std::size_t kStringTableSize = sizeof kStringTable / sizeof kStringTable[0];

}  // namespace res
